#include "Export.h"

#include "BrisError.h"
#include "Conversion.h"
#include "DownloadProgress.h"
#include "Engine.h"
#include "FileSystem.h"
#include "OriginalsCache.h"
#include "ProgressPlan.h"
#include "Storage.h"
#include "TextFormatting.h"
#include "ToolArguments.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

// More same-named files than anyone keeps: something else answers "taken" to every name.
constexpr int lastCounter = 9999;

[[noreturn]] void fail(const QString& message)
{
    throw BrisError::message(message);
}

void notify(const UpdateCallback& update, double progress, const QString& detail, bool reused)
{
    if (update)
        update(DownloadUpdate { JobState::converting, progress, detail, reused });
}

// Moves `candidate` into `folder` under `name`, or under the first free "name (n)":
// a name is taken only by a move that never replaces, so a file that appears
// meanwhile is never overwritten.
QString deliver(const QString& candidate, const QString& folder, const QString& name, const QString& extension)
{
    const QString stem = name.chopped(extension.size() + 1);
    for (int counter = 1; counter <= lastCounter; ++counter) {
        const QString path = QDir(folder).filePath(
            counter == 1 ? name : u"%1 (%2).%3"_s.arg(stem, QString::number(counter), extension));
        if (FileSystem::moveWithoutReplacing(candidate, path))
            return path;
    }
    throw SystemError(u"No hay un nombre libre para %1 en %2."_s.arg(name, QDir::toNativeSeparators(folder)));
}

} // namespace

Export::Export(const Engine& engine, const OriginalsCache& cache, const Conversion& conversion, const Toolchain& tools,
    const BrisPaths& paths)
    : m_engine(engine)
    , m_cache(cache)
    , m_conversion(conversion)
    , m_tools(tools)
    , m_paths(paths)
{
}

qint64 Export::requiredSpace(const DownloadProfile& profile, double duration)
{
    if (profile.kind == DownloadKind::video)
        return 250'000'000;
    const bool lossless = profile.audio == AudioFormat::flac || profile.audio == AudioFormat::wav;
    // In floating point: a stored bit rate may be any 64-bit number.
    const double rate = lossless ? 192'000.0 : std::max(double(profile.bitrate), 64.0) * 150;
    const double need = std::max(std::trunc(duration * rate), 100'000'000.0);
    return need >= 9.2e18 ? std::numeric_limits<qint64>::max() : qint64(need);
}

QString Export::fileName(const VideoInfo& video, const DownloadProfile& profile, const MediaProbe& result,
    const QString& extension, NameRules rules)
{
    QString tag;
    if (profile.kind == DownloadKind::audio) {
        tag = rawValue(profile.audio);
        if (!qualities(profile.audio).isEmpty())
            tag += u'-' + QString::number(profile.bitrate);
    } else {
        tag = QString::number(result.resolution) + u'p';
    }
    const QString source
        = video.platform() == MediaPlatform::youtube ? video.id : rawValue(video.platform()) + u'-' + video.id.left(40);
    return safeName(video.title, rules) + u" ["_s + source + u"] "_s + tag + u'.' + extension;
}

DownloadJob Export::run(const DownloadJob& job, const CancellationPtr& cancel, const UpdateCallback& update) const
{
    job.profile.validate();
    Storage::prepare(m_paths);
    cancel->check();
    if (!job.video.validSource())
        fail(u"El video de la descarga no es válido."_s);

    const QString folder = QDir::cleanPath(QFileInfo(job.folder).absoluteFilePath());
    FileSystem::makeDirectories(folder);
    const std::optional<qint64> available = m_engine.availableBytes(folder);
    if (available && *available <= requiredSpace(job.profile, job.video.duration))
        fail(u"No hay suficiente espacio libre en la carpeta elegida. Elegí otro destino o liberá espacio."_s);
    const QString work = folder + u"/.Brisomar/"_s + job.video.storageID() + u'-' + job.profile.key();
    FileSystem::makeDirectories(work);

    const bool audio = job.profile.kind == DownloadKind::audio;
    Candidate candidate;
    try {
        candidate = audio ? audioCandidate(job, work, cancel, update) : videoCandidate(job, work, cancel, update);
    } catch (...) {
        // An audio job's work directory only ever holds a conversion, which a
        // retry starts over: a partial one would only keep a full disk full.
        if (audio)
            FileSystem::discardTree(work);
        throw;
    }
    cancel->check();
    notify(update, ProgressPlan::finalCheck, u"Comprobando el archivo final…"_s, candidate.reused);
    const MediaProbe result = measure(candidate, cancel);

    const bool complete = (!audio || result.audio) && (audio || result.video) && result.duration <= 43200
        && (job.video.duration == 0 || std::abs(result.duration - job.video.duration) < 3.0);
    if (!complete)
        fail(u"El archivo final no contiene el audio o video esperado."_s);
    if (!audio && job.profile.height >= 1 && result.resolution > job.profile.height)
        fail(u"La resolución final supera la calidad elegida. Probá otra opción."_s);
    if (!audio && job.profile.container == VideoContainer::mp4 && !result.codecs.contains(u"h264"_s))
        fail(u"No se recibió video compatible con Mac. Probá MKV para conservar otro códec."_s);
    cancel->check();

    // Asked at every run, a retry included: the folder may now be on another disk.
    const QString extension = QFileInfo(candidate.file).suffix();
    const QString name = fileName(job.video, job.profile, result, extension, FileSystem::nameRules(folder));
    const QString path = deliver(candidate.file, folder, name, extension);
    FileSystem::discardTree(work);

    DownloadJob done = job;
    done.video.duration = result.duration;
    done.state = JobState::completed;
    done.progress = 1.0;
    done.path = path;
    done.bytes = result.bytes;
    done.actualHeight = result.video ? std::optional<qint64>(result.resolution) : std::nullopt;
    done.detail = bytesString(result.bytes) + u" · Guardado en tu Mac"_s;
    done.reusedOriginal = candidate.reused;
    return done;
}

Export::Candidate Export::audioCandidate(
    const DownloadJob& job, const QString& work, const CancellationPtr& cancel, const UpdateCallback& update) const
{
    // The original was measured when it was fetched or first found: that length scales the progress.
    const OriginalsCache::Fetched source = m_cache.fetchOrReuse(job.video, cancel, update);
    const bool reused = source.original.reused;
    const QString extension = job.profile.audio == AudioFormat::original ? QFileInfo(source.original.file).suffix()
                                                                         : ext(job.profile.audio);
    const QString output = work + u"/export."_s + extension;
    FileSystem::removeFile(output);
    notify(update, ProgressPlan::conversionStart, u"Preparando "_s + job.profile.label(), reused);
    const std::optional<Conversion::Written> written
        = m_conversion.audio(source.original.file, source.duration, job, output, reused, cancel, update);
    return { output, reused, written };
}

// An audio conversion is measured by ffmpeg's own final report when the file on
// disk has the size it reported: it mapped one audio stream and nothing else
// into it, and an ffprobe would repeat what it said at the cost of its start-up.
// Everything else, and a conversion whose report falls short, is probed.
MediaProbe Export::measure(const Candidate& candidate, const CancellationPtr& cancel) const
{
    if (candidate.written && FileSystem::regularFileSize(candidate.file) == candidate.written->bytes) {
        MediaProbe result;
        result.duration = candidate.written->duration;
        result.audio = true;
        result.bytes = candidate.written->bytes;
        return result;
    }
    return m_engine.probe(candidate.file, cancel);
}

Export::Candidate Export::videoCandidate(
    const DownloadJob& job, const QString& work, const CancellationPtr& cancel, const UpdateCallback& update) const
{
    const QList<qint64> heights = job.video.heights(job.profile.container);
    const qint64 limit = job.profile.height;
    if (heights.isEmpty()
        || (limit >= 1 && std::none_of(heights.begin(), heights.end(), [&](qint64 height) { return height <= limit; })))
        fail(u"Esta resolución no está disponible en el formato elegido. Probá otra calidad o MKV."_s);

    const QString root = FileSystem::realPath(work);
    LastPath last;
    m_tools.run(u"yt-dlp"_s, ToolArguments::video(m_tools.common(), job.video, job.profile, work), cancel, 86400,
        [&](const QString& line) {
            progress(line, ProgressPlan::videoFetched, update);
            capturePath(line, last);
            if (line.startsWith(u"[Merger]"_s) || line.startsWith(u"[VideoRemuxer]"_s)
                || line.startsWith(u"[Metadata]"_s))
                notify(update, ProgressPlan::assembling, u"Uniendo audio y video…"_s, false);
        });
    const std::optional<QString> reported = last.value();
    if (!reported)
        fail(u"La descarga no produjo un archivo completo."_s);
    const std::optional<QString> file = FileSystem::fileInside(*reported, work, root);
    if (!file || QFileInfo(*file).suffix().toLower() != u"mkv"_s) {
        // What the run left there is not to be trusted, nor continued by a retry.
        FileSystem::discardTree(work);
        fail(u"La salida de la descarga no es un archivo válido."_s);
    }

    if (job.profile.container == VideoContainer::mkv)
        return { *file, job.reusedOriginal, std::nullopt };
    const QString output = work + u"/export.mp4"_s;
    m_engine.prepareMP4(*file, output, cancel, update);
    return { output, job.reusedOriginal, std::nullopt };
}
