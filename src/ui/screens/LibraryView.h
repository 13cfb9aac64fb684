#pragma once

#include "LibraryRowDelegate.h"

#include <QWidget>

class AppModel;
class EmptyState;
class LibraryModel;
class PlainButton;
class QAbstractButton;
class QListView;
class QMenu;
class QPushButton;
class QStackedLayout;
class SearchBox;
class SegmentedPicker;
struct DownloadJob;

// The library screen: the finished downloads, narrowed by a search and a kind
// filter that live in the model, each with play, reveal and a menu of the rest.
// Rows are drawn; the current row's actions are real buttons laid over the
// drawn ones, so that the keyboard (arrows between rows, Tab to the buttons)
// and assistive tools reach every action.
class LibraryView : public QWidget
{
    Q_OBJECT

public:
    explicit LibraryView(AppModel* model, QWidget* parent = nullptr);

    QListView* list() const { return m_list; }
    LibraryModel* rows() const { return m_rows; }
    LibraryRowDelegate* delegate() const { return m_delegate; }
    // The button of `part` laid over the current row.
    QAbstractButton* actionButton(LibraryRowDelegate::Part part) const;
    // The menu of the row of `job`, as the more button opens it.
    QMenu* makeMenu(const DownloadJob& job);

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showFilter();
    void showRows();
    void act(const QModelIndex& index, LibraryRowDelegate::Part part, const QRect& area);
    void placeActions();

    AppModel* m_model;
    SearchBox* m_search;
    SegmentedPicker* m_kind;
    QStackedLayout* m_body;
    EmptyState* m_empty;
    QListView* m_list;
    LibraryModel* m_rows;
    LibraryRowDelegate* m_delegate;
    QPushButton* m_play;
    QPushButton* m_reveal;
    PlainButton* m_more;
};
