#include "LocalStorage.h"

#include "AtomicFile.h"
#include "BrisError.h"
#include "Storage.h"
#include "TextFormatting.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

const QString interruptedDetail = u"La app se cerró. Reintentá para continuar."_s;

namespace {

constexpr qint64 maxHistoryBytes = 8'000'000;
constexpr qsizetype maxLoadedJobs = 500;
constexpr qsizetype maxSavedJobs = 500;
constexpr qsizetype maxSavedCompleted = 400;
constexpr qsizetype maxDraftLink = 4096;

// A file that exists but could not be used; an empty one holds nothing worth keeping.
std::optional<QString> unusable(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return std::nullopt;
    if (info.isFile() && info.size() == 0)
        return std::nullopt;
    return path;
}

} // namespace

LocalStorage::LocalStorage(const BrisPaths& paths)
    : m_paths(paths)
{
}

LocalStorage::Loaded LocalStorage::load()
{
    Storage::prepare(m_paths);
    // Saves cut short by a crash leave their temporary files behind; nothing
    // of this run has saved yet.
    for (const QString& path : { m_paths.history(), m_paths.preferences() })
        AtomicFile::discardLeftovers(path);
    Loaded loaded;
    if (const std::optional<Preferences> preferences = loadPreferences())
        loaded.preferences = *preferences;
    if (const QString folder = qEnvironmentVariable("BRISOMAR_DOWNLOAD_DIR"); !folder.isEmpty())
        loaded.preferences.folder = folder;
    loaded.jobs = loadHistory();
    return loaded;
}

std::optional<Preferences> LocalStorage::loadPreferences()
{
    const QString path = m_paths.preferences();
    QFile file(path);
    if (!file.exists())
        return std::nullopt;
    std::optional<Preferences> decoded;
    if (file.open(QIODevice::ReadOnly))
        decoded = Preferences::decode(file.readAll());
    if (!decoded)
        m_unreadablePreferences = unusable(path);
    return decoded;
}

QList<DownloadJob> LocalStorage::loadHistory()
{
    const QString path = m_paths.history();
    QFile file(path);
    if (!file.exists())
        return {};
    std::optional<QList<DownloadJob>> decoded;
    if (file.open(QIODevice::ReadOnly) && file.size() <= maxHistoryBytes) {
        // The size check above can race with a writer; the read bound cannot.
        const QByteArray data = file.read(maxHistoryBytes + 1);
        if (data.size() <= maxHistoryBytes)
            decoded = DownloadJob::decodeHistory(data);
    }
    if (!decoded) {
        m_unreadableHistory = unusable(path);
        return {};
    }
    QList<DownloadJob> jobs;
    for (const DownloadJob& job : std::as_const(*decoded))
        if (job.video.validSource())
            jobs.append(job);
    if (jobs.size() > maxLoadedJobs)
        jobs = jobs.mid(jobs.size() - maxLoadedJobs);
    for (DownloadJob& job : jobs) {
        if (isPending(job.state)) {
            job.state = JobState::interrupted;
            job.detail = interruptedDetail;
        }
    }
    return jobs;
}

void LocalStorage::keepUnreadable(std::optional<QString>& unreadable)
{
    if (!unreadable)
        return;
    const QString path = *unreadable;
    if (!unusable(path)) {
        unreadable.reset();
        return;
    }
    const QString stem = path + u".unreadable-"_s + QDateTime::currentDateTimeUtc().toString(u"yyyyMMdd-HHmmss"_s);
    QString aside = stem;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = stem + u'-' + QString::number(n);
    if (!QDir().rename(path, aside))
        throw SystemError(u"No se pudo apartar el archivo ilegible %1."_s.arg(QDir::toNativeSeparators(path)));
    unreadable.reset();
}

void LocalStorage::saveHistory(const QList<DownloadJob>& jobs)
{
    QList<DownloadJob> finished;
    for (const DownloadJob& job : jobs)
        if (job.state == JobState::completed)
            finished.append(job);
    std::stable_sort(finished.begin(), finished.end(),
        [](const DownloadJob& a, const DownloadJob& b) { return a.created > b.created; });
    QSet<QUuid> keptCompleted;
    for (qsizetype i = 0; i < std::min(finished.size(), maxSavedCompleted); ++i)
        keptCompleted.insert(finished[i].id);

    QList<DownloadJob> saved;
    for (const DownloadJob& job : jobs)
        if (job.state != JobState::completed || keptCompleted.contains(job.id))
            saved.append(job);
    if (saved.size() > maxSavedJobs)
        saved = saved.mid(saved.size() - maxSavedJobs);

    keepUnreadable(m_unreadableHistory);
    AtomicFile::write(m_paths.history(), DownloadJob::encodeHistory(saved));
}

void LocalStorage::savePreferences(const Preferences& preferences)
{
    keepUnreadable(m_unreadablePreferences);
    AtomicFile::write(m_paths.preferences(), preferences.encode());
}

Preferences LocalStorage::withDraft(Preferences preferences, const QString& link, const DownloadProfile& profile)
{
    preferences.lastLink = graphemePrefix(link, maxDraftLink);
    preferences.lastProfile = profile;
    return preferences;
}
