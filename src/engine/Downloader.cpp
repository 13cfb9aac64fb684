#include "Downloader.h"

#include "BrisError.h"
#include "JsRuntime.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

Downloader::Downloader(Toolchain tools, BrisPaths paths)
    : m_tools(std::move(tools))
    , m_paths(std::move(paths))
{
}

Downloader::~Downloader() = default;

CancellationPtr Downloader::orNew(const CancellationPtr& cancel)
{
    return cancel ? cancel : std::make_shared<Cancellation>();
}

void Downloader::notify(
    const UpdateCallback& update, JobState state, double progress, const QString& detail, bool reused)
{
    if (update)
        update(DownloadUpdate { state, progress, detail, reused });
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
    const QByteArray output = m_tools.run(u"yt-dlp"_s,
        m_tools.common()
            + QStringList { u"--skip-download"_s, u"--dump-single-json"_s, u"--playlist-end"_s, u"21"_s, link->url() },
        cancel, 120);
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
