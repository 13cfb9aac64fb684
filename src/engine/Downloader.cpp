#include "Downloader.h"

#include "BrisError.h"
#include "JsRuntime.h"
#include "ToolArguments.h"
#include "UserEngine.h"

#include <QFileInfo>
#include <QStorageInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

// A missing token is a caller's slip; the runs still need one.
CancellationPtr orNew(const CancellationPtr& cancel)
{
    return cancel ? cancel : std::make_shared<Cancellation>();
}

} // namespace

Downloader::Downloader(Toolchain tools, BrisPaths paths)
    : m_given(std::move(tools))
    , m_tools(UserEngine(paths).apply(m_given))
    , m_paths(std::move(paths))
    , m_cache(*this, m_tools, m_paths)
    , m_conversion(*this, m_tools)
    , m_export(*this, m_cache, m_conversion, m_tools, m_paths)
{
}

Downloader::~Downloader() = default;

QString Downloader::versionsLine(const CancellationPtr& cancel) const
{
    return EngineRefresh::versionsLine(m_tools, orNew(cancel));
}

std::optional<EngineRefresh> Downloader::refresher() const
{
    return EngineRefresh(m_tools, m_paths);
}

// A derived engine becomes a plain one here: only the program's own engine is refreshed.
std::shared_ptr<Engine> Downloader::reloaded() const
{
    return std::make_shared<Downloader>(m_given, m_paths);
}

QString Downloader::versions(const CancellationPtr& token) const
{
    const CancellationPtr cancel = orNew(token);
    const QByteArray ytdlp = m_tools.run(u"yt-dlp"_s, { u"--version"_s }, cancel, 120);
    const QByteArray ffmpeg = m_tools.run(u"ffmpeg"_s, { u"-version"_s }, cancel, 15);
    m_tools.run(u"ffprobe"_s, { u"-version"_s }, cancel, 15);
    // Starting is not enough: yt-dlp passes over a node older than it accepts.
    JsRuntime::require(m_tools.run(u"node"_s, { u"--version"_s }, cancel, 15));

    const qsizetype feed = ffmpeg.indexOf('\n');
    return u"yt-dlp "_s + QString::fromUtf8(ytdlp).trimmed() + u'\n'
        + QString::fromUtf8(feed < 0 ? ffmpeg : ffmpeg.left(feed));
}

QList<VideoInfo> Downloader::analyze(const QString& text, const CancellationPtr& token) const
{
    const CancellationPtr cancel = orNew(token);
    const std::optional<MediaLink> link = MediaLink::make(text);
    if (!link)
        throw BrisError::message(u"Pegá un enlace de video de YouTube, Facebook, Instagram o X / Twitter. "
                                 u"No se admiten perfiles ni listas completas."_s);
    const QByteArray output = m_tools.run(
        u"yt-dlp"_s, m_tools.common() + ToolArguments::metadata() + QStringList { link->url() }, cancel, 120);
    // A cancel that arrived while the tool ran wins over its result.
    cancel->check();
    return VideoInfo::parseAll(output, *link);
}

MediaProbe Downloader::probe(const QString& file, const CancellationPtr& cancel) const
{
    // Absolute, so that a name like "-i" or "http:x" is never read as an option or a protocol.
    const QByteArray report
        = m_tools.run(u"ffprobe"_s, MediaProbe::arguments() << QFileInfo(file).absoluteFilePath(), orNew(cancel), 60);
    return MediaProbe::read(report, file);
}

Downloader::Original Downloader::original(
    const VideoInfo& video, const CancellationPtr& cancel, const UpdateCallback& update) const
{
    return m_cache.fetchOrReuse(video, orNew(cancel), update).original;
}

qint64 Downloader::cacheBytes() const
{
    return m_cache.bytes();
}

void Downloader::clearCache() const
{
    m_cache.clear();
}

void Downloader::prepareMP4(
    const QString& input, const QString& output, const CancellationPtr& cancel, const UpdateCallback& update) const
{
    m_conversion.mp4(input, output, orNew(cancel), update);
}

DownloadJob Downloader::exportJob(
    const DownloadJob& job, const CancellationPtr& cancel, const UpdateCallback& update) const
{
    return m_export.run(job, orNew(cancel), update);
}

std::optional<qint64> Downloader::availableBytes(const QString& folder) const
{
    const QStorageInfo volume(folder);
    if (!volume.isValid() || !volume.isReady() || volume.bytesAvailable() < 0)
        return std::nullopt;
    return volume.bytesAvailable();
}
