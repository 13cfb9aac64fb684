#include "BrisError.h"
#include "Downloader.h"
#include "Fixtures.h"
#include "StandInTools.h"
#include "Storage.h"
#include "TestSupport.h"
#include "ToolArguments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <future>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray touch(const QString& file)
{
    return "touch '"_ba + file.toUtf8() + "'\n"_ba;
}

const QString cancelled = u"Descarga cancelada. Podés reintentar cuando quieras."_s;

QStringList words(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

} // namespace

class DownloaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toolArguments_data();
    void toolArguments();
    void nodeVersionRule_data();
    void nodeVersionRule();
    void aPlaylistStartsNoTool();
    void cancellationWinsOverASuccessfulExit();
    void jobKeys();
};

// The exact command lines: a lost option changes what reaches the user's disk
// without any run failing.
void DownloaderTest::toolArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("expected");

    const Toolchain tools(u"/t"_s);
    VideoInfo video;
    video.id = u"abcdefghijk"_s;
    video.title = u"Dos tonos"_s;
    video.author = u"Brisomar"_s;
    const QStringList common = words({ "--ignore-config", "--no-config-locations", "--no-plugin-dirs", "--no-cache-dir",
        "--no-playlist", "--no-colors", "--socket-timeout", "20", "--retries", "2", "--extractor-retries", "1",
        "--js-runtimes", "node:/t/node", "--ffmpeg-location", "/t" });
    // Every download opens with these: the progress and file reports, the limits and the one video.
    const QStringList download = common
        + words({ "--newline", "--progress", "--progress-delta", "0.25", "--progress-template",
            "download:BRISOMAR_PROGRESS:%(progress._percent_str)s|%(progress._speed_str)s|%(progress._eta_str)s",
            "--no-simulate", "--no-quiet", "--print", "after_move:BRISOMAR_FILE:%(filepath)j", "--no-mtime",
            "--continue", "--no-overwrites", "--max-filesize", "32G", "--match-filter", "id = abcdefghijk" });
    const QString url = u"https://www.youtube.com/watch?v=abcdefghijk"_s;

    QTest::newRow("every link run") << tools.common() << common;
    QTest::newRow("fetching the original") << ToolArguments::fetch(common, video, u"/c/abcdefghijk/partial"_s)
                                           << download
            + words({ "--format", "bestaudio[ext=m4a]/bestaudio/best[acodec!=none]", "--extract-audio",
                "--audio-format", "best", "--fixup", "never", "--output", "/c/abcdefghijk/partial/source.%(ext)s" })
            + QStringList { url };
    // yt-dlp reads "%" in --output as its template: the folder's own comes through as written.
    QTest::newRow("MKV up to 720p with tags, into a folder with %")
        << ToolArguments::video(common, video, Fixtures::videoProfile(VideoContainer::mkv, 720), u"/d/50%(id)s off/w"_s)
        << download
            + words({ "--format", "bestvideo+bestaudio/best/bestvideo", "--merge-output-format", "mkv", "--remux-video",
                "mkv", "--output", "/d/50%%(id)s off/w/source.%(ext)s", "--format-sort", "res:720",
                "--embed-metadata" })
            + QStringList { url };
    QTest::newRow("MP4 at the best, without tags")
        << ToolArguments::video(common, video, Fixtures::videoProfile(VideoContainer::mp4, 0, false), u"/w"_s)
        << download
            + words({ "--format",
                "bestvideo[ext=mp4][vcodec~='^(avc1|h264)']+bestaudio/best[ext=mp4][vcodec~='^(avc1|h264)']"
                "/bestvideo+bestaudio/best/bestvideo",
                "--merge-output-format", "mkv", "--remux-video", "mkv", "--output", "/w/source.%(ext)s" })
            + QStringList { url };

    const QStringList input = words({ "-hide_banner", "-loglevel", "error", "-nostdin", "-protocol_whitelist",
        "file,pipe", "-i", "/c/source.m4a", "-map", "0:a:0", "-vn" });
    const QStringList tags = words({ "-metadata", "title=Dos tonos", "-metadata", "artist=Brisomar", "-metadata" })
        + QStringList { u"comment="_s + url };
    const QStringList output = words({ "-progress", "pipe:1", "-nostats", "-n", "/w/export" });
    const auto conversion = [&](AudioFormat format, qint64 bitrate, bool metadata) {
        return ToolArguments::conversion(
            u"/c/source.m4a"_s, Fixtures::audioProfile(format, bitrate, metadata), video, u"/w/export"_s);
    };
    const QStringList noTags = words({ "-map_metadata", "-1" });
    QTest::newRow("MP3 at 320 with tags")
        << conversion(AudioFormat::mp3, 320, true)
        << input + words({ "-c:a", "libmp3lame", "-b:a", "320k", "-id3v2_version", "3" }) + noTags + tags + output;
    QTest::newRow("M4A at 128") << conversion(AudioFormat::m4a, 128,
        false) << input + words({ "-c:a", "aac", "-b:a", "128k", "-movflags", "+faststart" }) + noTags + output;
    QTest::newRow("Opus at 96") << conversion(AudioFormat::opus, 96, false)
                                << input + words({ "-c:a", "libopus", "-b:a", "96k" }) + noTags + output;
    QTest::newRow("FLAC takes no bit rate")
        << conversion(AudioFormat::flac, 320, false) << input + words({ "-c:a", "flac" }) + noTags + output;
    QTest::newRow("WAV") << conversion(AudioFormat::wav, 192, false)
                         << input + words({ "-c:a", "pcm_s16le" }) + noTags + output;
    QTest::newRow("the original is copied")
        << conversion(AudioFormat::original, 192, false) << input + words({ "-c:a", "copy" }) + noTags + output;

    const QStringList mp4Input = words({ "-v", "error", "-nostdin", "-protocol_whitelist", "file,pipe", "-i",
        "/w/source.mkv", "-map", "0:v:0", "-map", "0:a:0?", "-c:v" });
    const QStringList mp4Output = words({ "-movflags", "+faststart", "-n", "/w/export.mp4" });
    QTest::newRow("MP4 copying H.264 and AAC") << ToolArguments::mp4(u"/w/source.mkv"_s, u"/w/export.mp4"_s, true, true)
                                               << mp4Input + words({ "copy", "-c:a", "copy" }) + mp4Output;
    QTest::newRow("MP4 re-encoding both") << ToolArguments::mp4(u"/w/source.mkv"_s, u"/w/export.mp4"_s, false, false)
                                          << mp4Input
            + words({ "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt", "yuv420p", "-vf",
                "scale=trunc(iw/2)*2:trunc(ih/2)*2", "-c:a", "aac" })
            + mp4Output;
}

void DownloaderTest::toolArguments()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, expected);
    QCOMPARE(args, expected);
}

void DownloaderTest::nodeVersionRule_data()
{
    QTest::addColumn<QByteArray>("printed");
    QTest::addColumn<QString>("description");

    QTest::newRow("21.99.0") << "v21.99.0"_ba
                             << u"El motor de JavaScript (node 21.99.0) es más antiguo que el que necesita yt-dlp "
                                u"(22 o más). Volvé a instalar Brisomar."_s;
    QTest::newRow("22.0.0") << "v22.0.0"_ba << u"(no error)"_s;
    QTest::newRow("unparseable")
        << "node: bad option"_ba
        << u"El motor de JavaScript no informó una versión reconocible. Volvé a instalar Brisomar."_s;
}

void DownloaderTest::nodeVersionRule()
{
    QFETCH(QByteArray, printed);
    QFETCH(QString, description);

    StandInTools stand;
    stand.script(u"node"_s, "echo '"_ba + printed + '\'');
    QCOMPARE(TestSupport::failure([&] { Downloader(Toolchain(stand.root())).versions(); }), description);
}

void DownloaderTest::aPlaylistStartsNoTool()
{
    StandInTools stand;
    stand.script(u"yt-dlp"_s, touch(stand.file(u"ran"_s)));
    QCOMPARE(TestSupport::failure([&] {
        Downloader(Toolchain(stand.root()))
            .analyze(u"https://www.youtube.com/playlist?list=PLx0sYbCqOb8TBPRdmBHs5Iftvv9TPboYG"_s,
                std::make_shared<Cancellation>());
    }),
        u"Pegá un enlace de video de YouTube, Facebook, Instagram o X / Twitter. "
        u"No se admiten perfiles ni listas completas."_s);
    QVERIFY(!QFile::exists(stand.file(u"ran"_s)));
}

void DownloaderTest::cancellationWinsOverASuccessfulExit()
{
    // A downloader that answers SIGTERM with a complete document and status 0.
    StandInTools stand;
    const QString document = stand.file(u"document.json"_s);
    QVERIFY(TestSupport::writeFile(
        document, R"({"id":"abcdefghijk","extractor":"youtube","formats":[{"vcodec":"h264","height":240}]})"));
    stand.script(u"yt-dlp"_s,
        "trap \"cat '"_ba + document.toUtf8() + "'; exit 0\" TERM\n" + touch(stand.file(u"started"_s))
            + "sleep 60 & wait");
    auto token = std::make_shared<Cancellation>();
    std::future<QString> analysis = std::async(std::launch::async, [&] {
        return TestSupport::failure([&] {
            Downloader(Toolchain(stand.root())).analyze(u"https://www.youtube.com/watch?v=abcdefghijk"_s, token);
        });
    });
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(stand.file(u"started"_s)), 10000);
    token->cancel();
    QCOMPARE(analysis.get(), cancelled);
}

// Every spelling of one folder, through a link or not, made yet or not, gives one key.
void DownloaderTest::jobKeys()
{
    QTemporaryDir dir;
    const auto key = [&](const QString& folder) {
        VideoInfo video;
        video.id = u"dQw4w9WgXcQ"_s;
        return Storage::jobKey(DownloadJob::make(video, {}, dir.filePath(folder), JobState::queued, false));
    };
    const QString real = dir.filePath(u"real"_s);
    QVERIFY(QDir().mkpath(real));
    QVERIFY(QFile::link(real, dir.filePath(u"link"_s)));
    QCOMPARE(key(u"real"_s), u"dQw4w9WgXcQ|audio-mp3-192-1|"_s + QFileInfo(real).canonicalFilePath());
    for (const QString& spelling : { u"link"_s, u"real/./sub/.."_s, u"link//"_s })
        QCOMPARE(key(spelling), key(u"real"_s));
    const QString later = key(u"link/later"_s);
    QVERIFY(QDir().mkpath(dir.filePath(u"link/later"_s)));
    QCOMPARE(key(u"real/later"_s), later);
}

QTEST_GUILESS_MAIN(DownloaderTest)
#include "tst_downloader.moc"
