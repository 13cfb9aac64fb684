#include "LibraryModel.h"

#include "AppModel.h"
#include "TextFormatting.h"

#include <QSet>

using namespace Qt::Literals::StringLiterals;

LibraryModel::LibraryModel(AppModel* model, QObject* parent)
    : QAbstractListModel(parent)
    , m_model(model)
{
    connect(m_model, &AppModel::jobsChanged, this, &LibraryModel::refresh);
    connect(m_model, &AppModel::libraryFilterChanged, this, &LibraryModel::refresh);
    refresh();
}

QList<DownloadJob> LibraryModel::filtered(
    const QList<DownloadJob>& completed, const QString& search, LibraryKind kind)
{
    QList<DownloadJob> kept;
    for (const DownloadJob& job : completed) {
        if (!admits(kind, job.profile.kind))
            continue;
        if (!search.isEmpty() && !(job.video.title + u' ' + job.video.author).contains(search, Qt::CaseInsensitive))
            continue;
        kept.append(job);
    }
    return kept;
}

QString LibraryModel::detailLine(const DownloadJob& job)
{
    QString line = job.profile.label();
    if (job.actualHeight)
        line += u" · "_s + QString::number(*job.actualHeight) + u"p final"_s;
    return line + u" · "_s + bytesString(job.bytes.value_or(0));
}

int LibraryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_jobs.size());
}

QVariant LibraryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_jobs.size())
        return {};
    const DownloadJob& job = m_jobs.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return job.video.title;
    case Qt::AccessibleTextRole:
        return job.video.title + u", "_s + detailLine(job);
    default:
        return {};
    }
}

void LibraryModel::refresh()
{
    const QList<DownloadJob> completed = m_model->completed();
    m_libraryEmpty = completed.isEmpty();
    const QList<DownloadJob> wanted = filtered(completed, m_model->librarySearch(), m_model->libraryKind());

    QSet<QUuid> wantedIDs;
    for (const DownloadJob& job : wanted)
        wantedIDs.insert(job.id);

    // Rows that went away, in runs from the end so that indices stay valid.
    for (qsizetype end = m_jobs.size() - 1; end >= 0;) {
        if (wantedIDs.contains(m_jobs[end].id)) {
            --end;
            continue;
        }
        qsizetype first = end;
        while (first > 0 && !wantedIDs.contains(m_jobs[first - 1].id))
            --first;
        beginRemoveRows({}, int(first), int(end));
        m_jobs.remove(first, end - first + 1);
        endRemoveRows();
        end = first - 1;
    }

    // What is left keeps its order in the new list unless jobs moved; a move
    // (a retried job coming back with its old date) resets the list.
    QSet<QUuid> present;
    for (const DownloadJob& job : std::as_const(m_jobs))
        present.insert(job.id);
    qsizetype row = 0;
    for (qsizetype i = 0; i < wanted.size();) {
        if (!present.contains(wanted[i].id)) {
            qsizetype last = i;
            while (last + 1 < wanted.size() && !present.contains(wanted[last + 1].id))
                ++last;
            beginInsertRows({}, int(row), int(row + last - i));
            for (qsizetype k = i; k <= last; ++k)
                m_jobs.insert(row + (k - i), wanted[k]);
            endInsertRows();
            row += last - i + 1;
            i = last + 1;
            continue;
        }
        if (m_jobs[row].id != wanted[i].id) {
            beginResetModel();
            m_jobs = wanted;
            endResetModel();
            Q_EMIT refreshed();
            return;
        }
        if (m_jobs[row] != wanted[i]) {
            m_jobs[row] = wanted[i];
            const QModelIndex changed = index(int(row));
            Q_EMIT dataChanged(changed, changed);
        }
        ++row;
        ++i;
    }
    Q_EMIT refreshed();
}
