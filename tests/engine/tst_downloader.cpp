#include "BrisError.h"
#include "Downloader.h"
#include "StandInTools.h"
#include "TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
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

} // namespace

class DownloaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionsOfTheRealTools();
    void nodeVersionRule_data();
    void nodeVersionRule();
    void offlineAnalysis_data();
    void offlineAnalysis();
    void analysisFailures_data();
    void analysisFailures();
    void cancellationWinsOverASuccessfulExit();
};

void DownloaderTest::versionsOfTheRealTools()
{
    const QStringList lines = Downloader().versions().split(u'\n');
    QCOMPARE(lines.size(), 2);
    const auto version = QRegularExpression(u"^yt-dlp (\\d{4})\\.(\\d{2})\\.\\d{2}(\\.\\d+)?$"_s).match(lines[0]);
    QVERIFY2(version.hasMatch(), qPrintable(lines[0]));
    // The engine passes options that only late-2025 releases know.
    QVERIFY(version.captured(1).toInt() * 100 + version.captured(2).toInt() >= 202510);
    QVERIFY2(lines[1].startsWith(u"ffmpeg version "_s), qPrintable(lines[1]));
}

void DownloaderTest::nodeVersionRule_data()
{
    QTest::addColumn<QByteArray>("printed");
    QTest::addColumn<QString>("description");

    const auto older = [](const char* version) {
        return u"El motor de JavaScript (node %1) es más antiguo que el que necesita yt-dlp (22 o más). "
               u"Volvé a instalar Brisomar."_s.arg(QLatin1String(version));
    };
    QTest::newRow("Debian 12's 18.20.4") << "v18.20.4"_ba << older("18.20.4");
    QTest::newRow("20.20.2") << "v20.20.2"_ba << older("20.20.2");
    QTest::newRow("21.99.0") << "v21.99.0"_ba << older("21.99.0");
    QTest::newRow("22.0.0") << "v22.0.0"_ba << u"(no error)"_s;
    QTest::newRow("24.22.3") << "v24.22.3"_ba << u"(no error)"_s;
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

void DownloaderTest::offlineAnalysis_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QStringList>("ids");

    QTest::newRow("one YouTube video") << u"https://youtu.be/abcdefghijk"_s << QStringList { u"abcdefghijk"_s };
    QTest::newRow("an Instagram post with two videos")
        << u"https://www.instagram.com/p/Cabc123/"_s << QStringList { u"101"_s, u"102"_s };
}

void DownloaderTest::offlineAnalysis()
{
    QFETCH(QString, link);
    QFETCH(QStringList, ids);

    // The real yt-dlp reads a saved info JSON about a local file.
    QTemporaryDir media;
    const QString video = media.filePath(u"clip.mp4"_s);
    QVERIFY(TestSupport::makeMedia(video, 320, 240, 1, 1));
    const QJsonObject info = ids.size() == 1 ? TestSupport::offlineVideo(ids[0], u"youtube"_s, video, 320, 240)
                                             : TestSupport::offlinePost(video, int(ids.size()));
    StandInTools stand;
    QVERIFY(TestSupport::writeJson(stand.file(u"info.json"_s), info));
    stand.offlineYtDlp(stand.file(u"info.json"_s));

    QStringList got;
    for (const VideoInfo& found : Downloader(Toolchain(stand.root())).analyze(link, std::make_shared<Cancellation>())) {
        got.append(found.id);
        QCOMPARE(found.sourceURL, MediaLink::make(link)->url());
        QCOMPARE(found.formats.size(), 1);
        QCOMPARE(found.formats[0].height, 240);
    }
    QCOMPARE(got, ids);
}

void DownloaderTest::analysisFailures_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QByteArray>("ytdlp");
    QTest::addColumn<QString>("description");

    const QString video = u"https://www.youtube.com/watch?v=abcdefghijk"_s;
    const QString refused = u"Pegá un enlace de video de YouTube, Facebook, Instagram o X / Twitter. "
                            u"No se admiten perfiles ni listas completas."_s;
    QTest::newRow("a playlist starts no tool")
        << u"https://www.youtube.com/playlist?list=PLx0sYbCqOb8TBPRdmBHs5Iftvv9TPboYG"_s << "exit 1"_ba << refused;
    QTest::newRow("a profile starts no tool") << u"https://www.instagram.com/someone/"_s << "exit 1"_ba << refused;
    QTest::newRow("the platform wants a signed-in user")
        << video << "echo \"ERROR: [youtube] abcdefghijk: Sign in to confirm you're not a bot\" >&2; exit 1"_ba
        << u"La plataforma pide iniciar sesión o restringe este contenido. Probá con un video público disponible. "
           u"Brisomar no usa tus cuentas ni cookies."_s;
    QTest::newRow("JSON of another shape")
        << video << "echo '[1, 2]'"_ba << u"No se pudo leer la información del video."_s;
    QTest::newRow("an endless line") << video << "tr '\\0' x < /dev/zero"_ba << cancelled;
}

void DownloaderTest::analysisFailures()
{
    QFETCH(QString, link);
    QFETCH(QByteArray, ytdlp);
    QFETCH(QString, description);

    StandInTools stand;
    stand.script(u"yt-dlp"_s, touch(stand.file(u"ran"_s)) + ytdlp);
    QCOMPARE(TestSupport::failure(
                 [&] { Downloader(Toolchain(stand.root())).analyze(link, std::make_shared<Cancellation>()); }),
        description);
    QCOMPARE(QFile::exists(stand.file(u"ran"_s)), MediaLink::make(link).has_value());
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

QTEST_GUILESS_MAIN(DownloaderTest)
#include "tst_downloader.moc"
