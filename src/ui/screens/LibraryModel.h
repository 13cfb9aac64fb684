#pragma once

#include "DownloadJob.h"
#include "LibraryKind.h"

#include <QAbstractListModel>

class AppModel;

// The finished downloads the library shows: the model's completed jobs, newest
// first, narrowed by its search text and kind filter. Changes arrive as row
// insertions, removals and data changes, so the list keeps its scroll position
// and repaints only what changed.
class LibraryModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit LibraryModel(AppModel* model, QObject* parent = nullptr);

    // The jobs of `completed` that pass the kind and contain `search` in
    // "title author", ignoring case; order kept.
    static QList<DownloadJob> filtered(const QList<DownloadJob>& completed, const QString& search, LibraryKind kind);
    // A row's second line, which its card shows and a screen reader says: the
    // profile's label, the final height when known, and the size.
    static QString detailLine(const DownloadJob& job);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const DownloadJob& jobAt(int row) const { return m_jobs.at(row); }
    // Whether there is nothing finished at all, filter or not.
    bool libraryEmpty() const { return m_libraryEmpty; }

Q_SIGNALS:
    // After every look at the model, changed or not.
    void refreshed();

private:
    void refresh();

    AppModel* m_model;
    QList<DownloadJob> m_jobs;
    bool m_libraryEmpty = true;
};
