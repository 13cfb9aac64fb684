#include "SocialValidation.h"

#include "BrisError.h"
#include "Downloader.h"
#include "FileSystem.h"
#include "Fixtures.h"
#include "ToolArguments.h"
#include "Watchdog.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <algorithm>
#include <future>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace SocialValidation {

namespace {

const QString postLink = u"https://www.instagram.com/p/BrisomarPost/"_s;
const QString engineFailure = u"El MP4 debe conservar imagen y sonido H.264/AAC y el audio debe reutilizarse."_s;

QJsonObject rendition(const QString& formatID, const QString& file, const QString& ext, const QString& vcodec,
    const QString& acodec, int side)
{
    QJsonObject format { { u"format_id"_s, formatID }, { u"vcodec"_s, vcodec }, { u"acodec"_s, acodec },
        { u"protocol"_s, u"file"_s }, { u"url"_s, QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) },
        { u"ext"_s, ext } };
    if (side > 0) {
        format.insert(u"width"_s, side);
        format.insert(u"height"_s, side);
    }
    return format;
}

QJsonObject entry(const QString& id, int number, const QString& address, const QJsonArray& formats)
{
    return { { u"id"_s, id }, { u"title"_s, u"Own fixture %1"_s.arg(number) }, { u"extractor"_s, u"instagram"_s },
        { u"extractor_key"_s, u"Instagram"_s }, { u"webpage_url"_s, address }, { u"duration"_s, 4 },
        { u"formats"_s, formats } };
}

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
        throw SystemError(u"No se pudo escribir %1 (%2)."_s.arg(QDir::toNativeSeparators(path), file.errorString()));
}

// The offline step's own failures carry their prefix; the tools' and the file
// system's get it here.
template <typename F> void step(const QString& prefix, F&& work)
{
    try {
        work();
    } catch (const BrisError& error) {
        if (error.kind() == BrisError::Kind::Message && error.payload().startsWith(prefix))
            throw;
        throw BrisError::message(prefix + error.errorDescription());
    } catch (const std::exception& error) {
        throw BrisError::message(prefix + errorDescription(error));
    }
}

class OfflineRun
{
public:
    OfflineRun(const Downloader& engine, const QString& root, const SuiteSupport::Printer& print)
        : m_engine(engine)
        , m_tools(engine.tools())
        , m_root(QDir(root))
        , m_print(print)
    {
    }

    void makeFixtures()
    {
        step(u"No se pudieron preparar los archivos de prueba: "_s, [&] {
            FileSystem::makeDirectories(m_root.path());
            ffmpeg({ u"-f"_s, u"lavfi"_s, u"-i"_s, u"color=c=blue:s=128x128:r=12:d=4"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
                u"sine=frequency=440:duration=4"_s, u"-c:v"_s, u"libx264"_s, u"-pix_fmt"_s, u"yuv420p"_s, u"-c:a"_s,
                u"aac"_s, u"-shortest"_s, file(u"own-combined.mp4"_s) });
            // The other three from it in one run: each ffmpeg start costs more than these few seconds of media.
            ffmpeg({ u"-i"_s, file(u"own-combined.mp4"_s), u"-map"_s, u"0:v:0"_s, u"-c:v"_s, u"copy"_s, u"-an"_s,
                file(u"own-silent.mp4"_s), u"-map"_s, u"0:v:0"_s, u"-map"_s, u"0:a:0"_s, u"-c:v"_s, u"libvpx-vp9"_s,
                u"-b:v"_s, u"0"_s, u"-crf"_s, u"40"_s, u"-deadline"_s, u"realtime"_s, u"-cpu-used"_s, u"8"_s, u"-c:a"_s,
                u"libopus"_s, file(u"own-vp9.webm"_s), u"-map"_s, u"0:a:0"_s, u"-c:a"_s, u"copy"_s, u"-vn"_s,
                file(u"own-audio.mp4"_s) });

            const QString address = MediaLink::make(postLink)->url();
            const QJsonObject post { { u"_type"_s, u"playlist"_s }, { u"id"_s, u"post"_s },
                { u"title"_s, u"Own post"_s }, { u"extractor"_s, u"instagram"_s },
                { u"extractor_key"_s, u"Instagram"_s }, { u"webpage_url"_s, address },
                { u"entries"_s,
                    QJsonArray {
                        entry(u"1000000001"_s, 1, address,
                            { rendition(
                                u"combined"_s, file(u"own-combined.mp4"_s), u"mp4"_s, u"h264"_s, u"aac"_s, 128) }),
                        entry(u"1000000002"_s, 2, address,
                            { rendition(
                                u"combined"_s, file(u"own-silent.mp4"_s), u"mp4"_s, u"h264"_s, u"none"_s, 128) }),
                    } } };
            writeFile(file(u"own-post.json"_s), compact(post));
            const QJsonObject separate = entry(u"1000000003"_s, 3, address,
                { rendition(u"audio-mp4"_s, file(u"own-audio.mp4"_s), u"m4a"_s, u"none"_s, u"mp4a.40.2"_s, 0),
                    rendition(
                        u"video-h264"_s, file(u"own-silent.mp4"_s), u"mp4"_s, u"avc1.64000b"_s, u"none"_s, 128) });
            writeFile(file(u"own-separate.json"_s), compact(separate));
        });
    }

    QList<VideoInfo> parsePost()
    {
        QList<VideoInfo> videos;
        step(u"La publicación de prueba no se leyó: "_s, [&] {
            QFile document(file(u"own-post.json"_s));
            if (!document.open(QIODevice::ReadOnly))
                throw SystemError(document.errorString());
            videos = VideoInfo::parseAll(document.readAll(), *MediaLink::make(postLink));
            if (videos.size() != 2 || videos[0].id == videos[1].id)
                throw BrisError::message(u"La publicación de prueba no se leyó: dio %1 videos."_s.arg(videos.size()));
        });
        return videos;
    }

    void prepareNativeSources()
    {
        // Each fixture and whether it has sound, as made above.
        const QList<std::pair<QString, bool>> sources
            = { { u"own-combined.mp4"_s, true }, { u"own-silent.mp4"_s, false }, { u"own-vp9.webm"_s, true } };
        for (const auto& [name, hasSound] : sources) {
            step(u"Falló MP4 nativo: "_s, [&] {
                const QString output = file(u"prepared-"_s + QFileInfo(name).completeBaseName() + u".mp4"_s);
                m_engine.prepareMP4(file(name), output, m_cancel, {});
                const MediaProbe result = m_engine.probe(output, m_cancel);
                const bool picture = result.video && result.codecs.contains(u"h264"_s);
                const bool sound = result.audio == hasSound && (!hasSound || result.codecs.contains(u"aac"_s));
                if (!picture || !sound)
                    throw BrisError::message(u"Falló MP4 nativo: "_s + name + u" dio "_s + result.codecs.join(u","_s));
            });
            m_print(u"PASS MP4 nativo desde "_s + name + u": imagen/sonido verificados"_s);
        }
    }

    // Each entry of the post alone, the one with sound as MKV and the silent one as MP4.
    void selectClips(const QList<VideoInfo>& videos)
    {
        const QString failure = u"La selección de un clip descargó otros archivos: "_s;
        for (qsizetype i = 0; i < videos.size(); ++i) {
            const VideoInfo& video = videos[i];
            const VideoContainer container = i == 0 ? VideoContainer::mkv : VideoContainer::mp4;
            const QString folder = file(u"clip-"_s + video.id);
            const QString expected = video.id + u'.' + rawValue(container);
            step(failure, [&] {
                FileSystem::makeDirectories(folder);
                exportFrom(file(u"own-post.json"_s), ToolArguments::selection(video), folder, container);
                QStringList extra = QDir(folder).entryList(
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
                const bool found = extra.removeAll(expected) == 1;
                if (!extra.isEmpty())
                    throw BrisError::message(failure + extra.join(u", "_s));
                if (!found)
                    throw BrisError::message(failure + u"ninguno para "_s + expected);
                const MediaProbe clip = m_engine.probe(QDir(folder).filePath(expected), m_cancel);
                const bool sound = i == 0;
                if (!clip.video || clip.audio != sound)
                    throw BrisError::message(failure + expected + u" no tiene el contenido del clip elegido"_s);
            });
        }
    }

    void combineSeparateRenditions()
    {
        const QString failure = u"La selección de formato social falló: "_s;
        step(failure, [&] {
            const QString folder = file(u"separate"_s);
            FileSystem::makeDirectories(folder);
            const QStringList printed = exportFrom(file(u"own-separate.json"_s),
                { u"--print"_s, u"after_move:BRISOMAR_FORMAT:%(format_id)s"_s }, folder, VideoContainer::mp4);
            if (!printed.contains(u"BRISOMAR_FORMAT:video-h264+audio-mp4"_s))
                throw BrisError::message(failure + u"se eligió "_s + printed.join(u" "_s));
            const MediaProbe result = m_engine.probe(QDir(folder).filePath(u"1000000003.mp4"_s), m_cancel);
            if (!result.video || !result.audio)
                throw BrisError::message(failure + u"el archivo no une imagen y sonido"_s);
        });
    }

private:
    QString file(const QString& name) const { return m_root.filePath(name); }

    void ffmpeg(const QStringList& args)
    {
        m_tools.run(u"ffmpeg"_s, QStringList { u"-v"_s, u"error"_s, u"-nostdin"_s, u"-y"_s } + args, m_cancel, 300);
    }

    // The downloader over a local document, as an export would ask for one
    // video; returns the lines it printed.
    QStringList exportFrom(
        const QString& document, const QStringList& extra, const QString& folder, VideoContainer container)
    {
        DownloadProfile profile;
        profile.kind = DownloadKind::video;
        profile.container = container;
        const QString ext = rawValue(container);
        QStringList lines;
        m_tools.run(u"yt-dlp"_s,
            m_tools.common() + Fixtures::offlineArguments(document) + extra
                + QStringList { u"--no-simulate"_s, u"--force-overwrites"_s, u"--output"_s,
                    FileSystem::templateLiteral(folder) + u"/%(id)s.%(ext)s"_s, u"--merge-output-format"_s, ext,
                    u"--format"_s, ToolArguments::videoSelector(profile), u"--remux-video"_s, ext },
            m_cancel, 300, [&](const QString& line) { lines.append(line); });
        return lines;
    }

    const Downloader& m_engine;
    const Toolchain& m_tools;
    const QDir m_root;
    const SuiteSupport::Printer& m_print;
    const CancellationPtr m_cancel = std::make_shared<Cancellation>();
};

DownloadJob save(const Downloader& engine, const VideoInfo& video, const DownloadProfile& profile,
    const QString& folder, const CancellationPtr& cancel)
{
    return engine.exportJob(DownloadJob::make(video, profile, folder, JobState::queued, false), cancel, {});
}

QJsonObject check(const Downloader& engine, MediaPlatform platform, const QString& link, const QString& root)
{
    const CancellationPtr cancel = std::make_shared<Cancellation>();
    Watchdog watchdog(cancel, SuiteSupport::liveBudget());
    return watchdog.call([&] {
        const QList<VideoInfo> videos = engine.analyze(link, cancel);
        const VideoInfo& video = videos.first();
        const QString folder = QDir(root).filePath(u"Downloads/"_s + rawValue(platform));
        // A video job merges its own streams and leaves the originals cache alone: the
        // sound is fetched into it first, so that the MP3 has an original to reuse.
        engine.original(video, cancel, {});

        DownloadProfile mp4;
        mp4.kind = DownloadKind::video;
        mp4.container = VideoContainer::mp4;
        mp4.height = liveHeight(video.heights(VideoContainer::mp4));
        const DownloadJob picture = save(engine, video, mp4, folder, cancel);
        DownloadProfile mp3;
        mp3.audio = AudioFormat::mp3;
        mp3.bitrate = 192;
        const DownloadJob sound = save(engine, video, mp3, folder, cancel);

        const MediaProbe measured = engine.probe(picture.path.value_or(QString()), cancel);
        const bool aac = std::any_of(measured.codecs.cbegin(), measured.codecs.cend(),
            [](const QString& codec) { return codec.startsWith(u"aac"_s); });
        if (!measured.codecs.contains(u"h264"_s) || !aac || !sound.reusedOriginal)
            throw BrisError::message(engineFailure);
        return QJsonObject { { u"platform"_s, rawValue(platform) }, { u"url"_s, link }, { u"metadata"_s, true },
            { u"videos"_s, videos.size() }, { u"duration"_s, picture.video.duration },
            { u"mp4Bytes"_s, picture.bytes.value_or(0) }, { u"mp3Bytes"_s, sound.bytes.value_or(0) },
            { u"cacheReused"_s, sound.reusedOriginal }, { u"codecs"_s, QJsonArray::fromStringList(measured.codecs) },
            { u"mp4Path"_s, picture.path.value_or(QString()) } };
    });
}

} // namespace

void offline(const Downloader& engine, const QString& root, const SuiteSupport::Printer& print)
{
    OfflineRun run(engine, root, print);
    run.makeFixtures();
    const QList<VideoInfo> videos = run.parsePost();
    // The downloader's runs only read the fixtures, into folders of their own:
    // they go beside the MP4 preparations, whose failure still comes first.
    std::future<void> downloads = std::async(std::launch::async, [&] {
        run.selectClips(videos);
        run.combineSeparateRenditions();
    });
    run.prepareNativeSources();
    downloads.get();
}

QList<std::pair<MediaPlatform, QString>> liveLinks()
{
    // Official accounts' short clips, public for years and watchable without signing in.
    return {
        { MediaPlatform::facebook, u"https://www.facebook.com/cnn/videos/10155529876156509/"_s },
        { MediaPlatform::instagram, u"https://www.instagram.com/reel/Chunk8-jurw/"_s },
        { MediaPlatform::twitter, u"https://x.com/starwars/status/665052190608723968"_s },
    };
}

qint64 liveHeight(const QList<qint64>& heights)
{
    const auto positive = [](qint64 height) { return height > 0; };
    if (std::none_of(heights.cbegin(), heights.cend(), positive))
        return 0;
    qint64 smallest = std::numeric_limits<qint64>::max();
    for (const qint64 height : heights)
        if (height > 0)
            smallest = std::min(smallest, height);
    for (const qint64 allowed : allowedVideoHeights())
        if (allowed >= smallest)
            return allowed;
    return 0;
}

int live(const SuiteSupport::Printer& print)
{
    const QString root = SuiteSupport::scratchRoot(u"Brisomar-Social-QA-"_s);
    const BrisPaths paths(QDir(root).filePath(u"data"_s));
    // Its data folder may be a window's too.
    const SuiteSupport::Claim claim = SuiteSupport::claim({ root, paths.data() });
    if (claim.refusal) {
        print(*claim.refusal);
        return 1;
    }
    const Downloader engine(Toolchain(), paths);
    try {
        FileSystem::makeDirectories(root);
    } catch (const std::exception&) {
        // Every platform then fails where it first writes, and says why.
    }

    QJsonArray results;
    bool allPassed = true;
    for (const auto& [platform, link] : liveLinks()) {
        try {
            results.append(check(engine, platform, link, root));
            print(u"PASS Descarga pública "_s + rawValue(platform) + u": MP4, MP3 y reutilización del original"_s);
        } catch (...) {
            const QString description = errorDescription(std::current_exception());
            allPassed = false;
            results.append(QJsonObject { { u"platform"_s, rawValue(platform) }, { u"url"_s, link },
                { u"metadata"_s, false }, { u"error"_s, description } });
            print(u"UNAVAILABLE "_s + rawValue(platform) + u": "_s + description);
        }
    }
    try {
        SuiteSupport::writeJson(QDir(root).filePath(u"social-report.json"_s), QJsonDocument(results));
    } catch (const std::exception&) {
        // The status still tells the outcome.
    }
    return allPassed ? 0 : 1;
}

} // namespace SocialValidation
