#pragma once

#include <QHash>
#include <QUuid>
#include <QWidget>

class AppModel;
class EmptyState;
class JobRow;
class QStackedLayout;
class QVBoxLayout;
class ScrollArea;
class StyledLabel;

// The queue screen: how many jobs are pending, and one card per job that has
// not completed, newest first. Rows are kept across changes of the list and
// only added, removed or moved; each row follows its own job.
class QueueView : public QWidget
{
    Q_OBJECT

public:
    explicit QueueView(AppModel* model, QWidget* parent = nullptr);

    // The rows in the order shown.
    QList<JobRow*> rows() const;
    static QString pendingText(int pending);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showJobs();

    AppModel* m_model;
    StyledLabel* m_pending;
    QStackedLayout* m_body;
    EmptyState* m_empty;
    ScrollArea* m_scroll;
    QVBoxLayout* m_list;
    // Each row lies in a card of its own, its parent.
    QHash<QUuid, JobRow*> m_rows;
    QList<QUuid> m_order;
    // The list changed while the screen was hidden.
    bool m_stale = false;
};
