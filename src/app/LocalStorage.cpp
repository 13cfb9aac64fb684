#include "LocalStorage.h"

#include "AtomicFile.h"
#include "BrisError.h"
#include "FileSystem.h"
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
bool unusable(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return false;
    return !(info.isFile() && info.size() == 0);
}

// Renames the unreadable `path` aside, byte for byte, and tells the user where
// it went; false when it stays where it is, untouched, for the whole run.
bool keepAside(const QString& path, const QString& what, QStringList& notices)
{
    if (!unusable(path))
        return true;
    const QString stem = path + u".unreadable-"_s + QDateTime::currentDateTimeUtc().toString(u"yyyyMMdd-HHmmss"_s);
    try {
        for (int n = 1; n <= 100; ++n) {
            const QString aside = n == 1 ? stem : stem + u'-' + QString::number(n);
            if (FileSystem::moveWithoutReplacing(path, aside)) {
                notices.append(u"No se pudo leer %1. Guardamos una copia en «%2»."_s.arg(
                    what, QDir::toNativeSeparators(aside)));
                return true;
            }
        }
    } catch (const SystemError&) {
    }
    notices.append(
        u"No se pudo leer %1. Lo dejamos como está en «%2»."_s.arg(what, QDir::toNativeSeparators(path)));
    return false;
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
    if (const std::optional<Preferences> preferences = loadPreferences(loaded.notices))
        loaded.preferences = *preferences;
    if (const QString folder = qEnvironmentVariable("BRISOMAR_DOWNLOAD_DIR"); !folder.isEmpty())
        loaded.preferences.folder = folder;
    loaded.jobs = loadHistory(loaded.notices);
    return loaded;
}

std::optional<Preferences> LocalStorage::loadPreferences(QStringList& notices)
{
    const QString path = m_paths.preferences();
    QFile file(path);
    if (!file.exists()) {
        m_preferencesWritable = true;
        return std::nullopt;
    }
    std::optional<Preferences> decoded;
    if (file.open(QIODevice::ReadOnly))
        decoded = Preferences::decode(file.readAll());
    m_preferencesWritable = decoded || keepAside(path, u"la configuración"_s, notices);
    return decoded;
}

QList<DownloadJob> LocalStorage::loadHistory(QStringList& notices)
{
    const QString path = m_paths.history();
    QFile file(path);
    if (!file.exists()) {
        m_historyWritable = true;
        return {};
    }
    std::optional<QList<DownloadJob>> decoded;
    if (file.open(QIODevice::ReadOnly) && file.size() <= maxHistoryBytes) {
        // The size check above can race with a writer; the read bound cannot.
        const QByteArray data = file.read(maxHistoryBytes + 1);
        if (data.size() <= maxHistoryBytes)
            decoded = DownloadJob::decodeHistory(data);
    }
    if (!decoded) {
        m_historyWritable = keepAside(path, u"el historial"_s, notices);
        return {};
    }
    m_historyWritable = true;
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

    if (!m_historyWritable)
        return;
    AtomicFile::write(m_paths.history(), DownloadJob::encodeHistory(saved));
}

void LocalStorage::savePreferences(const Preferences& preferences)
{
    if (!m_preferencesWritable)
        return;
    AtomicFile::write(m_paths.preferences(), preferences.encode());
}

Preferences LocalStorage::withDraft(Preferences preferences, const QString& link, const DownloadProfile& profile)
{
    preferences.lastLink = graphemePrefix(link, maxDraftLink);
    preferences.lastProfile = profile;
    return preferences;
}
