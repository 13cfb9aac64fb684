#include "OriginalsCache.h"

#include "BrisError.h"
#include "DownloadProgress.h"
#include "FileSystem.h"
#include "OriginalRecord.h"
#include "ProgressPlan.h"
#include "Storage.h"
#include "ToolArguments.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString indexName = u"source.json"_s;
const QStringList downloadExtensions = { u"m4a"_s, u"webm"_s, u"opus"_s, u"mp3"_s, u"ogg"_s };
// An index is a line of JSON; anything much bigger is not one of ours.
constexpr qint64 indexLimit = 64 * 1024;

// The storage id names a directory: one plain path component, never ".." or a slash.
bool plainName(const QString& name)
{
    static const QRegularExpression pattern(u"^[A-Za-z0-9_-]{1,200}$"_s);
    return pattern.match(name).hasMatch();
}

bool acceptedName(const QString& name)
{
    static const QRegularExpression pattern(u"^source\\.(m4a|webm|opus|mp3|ogg)$"_s);
    return pattern.match(name).hasMatch();
}

// Sound only, at most twelve hours, and as long as the video when its length is known.
bool fits(double duration, bool audio, bool picture, const VideoInfo& video)
{
    return audio && !picture && duration > 0 && duration <= 43200
        && (video.duration == 0 || std::abs(duration - video.duration) < 3.0);
}

std::optional<OriginalRecord> readIndex(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.read(indexLimit + 1);
    if (data.size() > indexLimit)
        return std::nullopt;
    return OriginalRecord::fromJson(data);
}

// A regular file's size and modification time (nanoseconds since the epoch);
// nothing for anything else, a link included.
struct Stamp
{
    qint64 bytes = 0;
    qint64 modified = 0;
};

std::optional<Stamp> stampOf(const QString& path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return Stamp { qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec };
}

void writeIndex(const QString& path, const OriginalRecord& record)
{
    QSaveFile file(path);
    const QByteArray data = record.toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw SystemError(u"No se pudo guardar %1 (%2)."_s.arg(QDir::toNativeSeparators(path), file.errorString()));
}

} // namespace

OriginalsCache::OriginalsCache(const Engine& engine, const Toolchain& tools, const BrisPaths& paths)
    : m_engine(engine)
    , m_tools(tools)
    , m_paths(paths)
{
}

OriginalsCache::Fetched OriginalsCache::fetchOrReuse(
    const VideoInfo& video, const CancellationPtr& cancel, const UpdateCallback& update) const
{
    if (!plainName(video.storageID()))
        throw BrisError::message(u"El video de la descarga no es válido."_s);
    const QString directory = QDir(m_paths.cache()).filePath(video.storageID());
    FileSystem::makeDirectories(directory);
    std::optional<Fetched> cached = reuse(video, directory, cancel);
    if (!cached)
        return fetch(video, directory, cancel, update);

    cancel->check();
    // The index's date is the entry's last use, which the trim goes by.
    ::utimes(QFile::encodeName(QDir(directory).filePath(indexName)).constData(), nullptr);
    if (update)
        update(DownloadUpdate {
            JobState::converting, ProgressPlan::conversionStart, u"Usando el audio original ya guardado"_s, true });
    return *cached;
}

std::optional<OriginalsCache::Fetched> OriginalsCache::reuse(
    const VideoInfo& video, const QString& directory, const CancellationPtr& cancel) const
{
    const QString index = QDir(directory).filePath(indexName);
    std::optional<OriginalRecord> record = readIndex(index);
    if (!record || record->videoID != video.storageID() || !acceptedName(record->filename))
        return std::nullopt;
    const QString file = QDir(directory).filePath(record->filename);
    const std::optional<Stamp> stamp = stampOf(file);
    if (!stamp || stamp->bytes != record->bytes)
        return std::nullopt;
    // Untouched since it was measured: the index's measurement still holds,
    // and a second ffprobe would cost more than the conversion of a short clip.
    if (record->modified == stamp->modified) {
        if (!fits(record->duration, true, false, video))
            return std::nullopt;
        return Fetched { { file, true }, record->duration };
    }
    try {
        const MediaProbe measured = m_engine.probe(file, cancel);
        if (!fits(measured.duration, measured.audio, measured.video, video) || measured.bytes != stamp->bytes)
            return std::nullopt;
        // Written by an earlier version, or touched since: the next use trusts it.
        record->duration = measured.duration;
        record->modified = stamp->modified;
        try {
            writeIndex(index, *record);
        } catch (const SystemError&) {
            // Only the next use's shortcut is lost.
        }
        return Fetched { { file, true }, measured.duration };
    } catch (const BrisError& error) {
        if (error.isCancelled())
            throw;
    } catch (const std::exception&) {
        // A cached file that cannot be measured is fetched again.
    }
    return std::nullopt;
}

OriginalsCache::Fetched OriginalsCache::fetch(
    const VideoInfo& video, const QString& directory, const CancellationPtr& cancel, const UpdateCallback& update) const
{
    const QString partial = QDir(directory).filePath(u"partial"_s);
    FileSystem::makeDirectories(partial);
    const QString root = FileSystem::realPath(partial);
    LastPath last;
    m_tools.run(
        u"yt-dlp"_s, ToolArguments::fetch(m_tools.common(), video, partial), cancel, 86400, [&](const QString& line) {
            progress(line, ProgressPlan::originalFetched, update);
            capturePath(line, last);
        });
    cancel->check();

    const std::optional<QString> reported = last.value();
    if (!reported)
        throw BrisError::message(u"La descarga no produjo un archivo completo."_s);
    const std::optional<QString> file = FileSystem::fileInside(*reported, partial, root);
    const QString extension = file ? QFileInfo(*file).suffix().toLower() : QString();
    if (!file || !downloadExtensions.contains(extension)) {
        // What the run left there is not to be trusted, nor continued by a retry.
        FileSystem::discardTree(partial);
        throw BrisError::message(u"La salida de la descarga no es un archivo válido."_s);
    }
    const MediaProbe measured = m_engine.probe(*file, cancel);
    if (!fits(measured.duration, measured.audio, measured.video, video))
        throw BrisError::message(u"La copia original no coincide con el audio del video."_s);

    const QString name = u"source."_s + extension;
    const QString target = QDir(directory).filePath(name);
    FileSystem::removeFile(target);
    FileSystem::rename(*file, target);
    // The date only when the moved file is still the one measured.
    const std::optional<Stamp> stamp = stampOf(target);
    writeIndex(QDir(directory).filePath(indexName),
        OriginalRecord { video.storageID(), name, measured.duration, measured.bytes,
            stamp && stamp->bytes == measured.bytes ? std::optional(stamp->modified) : std::nullopt });
    FileSystem::discardTree(partial);
    prune(video.storageID());
    return Fetched { { target, false }, measured.duration };
}

std::optional<qint64> OriginalsCache::modified(const QString& file)
{
    const std::optional<Stamp> stamp = stampOf(file);
    return stamp ? std::optional(stamp->modified) : std::nullopt;
}

qint64 OriginalsCache::bytes() const
{
    qint64 total = 0;
    // Links are neither counted nor followed: only what the cache itself holds.
    QDirIterator files(
        m_paths.cache(), QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        files.next();
        total += std::max<qint64>(files.fileInfo().size(), 0);
    }
    return total;
}

void OriginalsCache::clear() const
{
    FileSystem::removeTree(m_paths.cache());
    Storage::prepare(m_paths);
}

void OriginalsCache::prune(const QString& keep) const
{
    const QDir cache(m_paths.cache());
    if (!cache.exists())
        return;
    struct Entry
    {
        QString path;
        QDateTime used;
    };
    std::vector<Entry> entries;
    for (const QFileInfo& entry :
        cache.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (entry.fileName() == keep)
            continue;
        entries.push_back(
            { entry.absoluteFilePath(), QFileInfo(entry.absoluteFilePath() + u'/' + indexName).lastModified() });
    }
    // Entries without a readable date go first, as if used at the dawn of time.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (!a.used.isValid() || !b.used.isValid())
            return !a.used.isValid() && b.used.isValid();
        return a.used < b.used;
    });
    for (const Entry& entry : entries) {
        if (bytes() <= limit)
            return;
        FileSystem::discardTree(entry.path);
    }
}
