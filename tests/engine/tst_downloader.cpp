#include "BrisError.h"
#include "Downloader.h"
#include "StandInTools.h"
#include "TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QtConcurrent>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray touch(const QString& file)
{
    return "touch '"_ba + file.toUtf8() + "'\n"_ba;
}

Downloader engineOn(const StandInTools& stand)
{
    return Downloader(Toolchain(stand.root()));
}

} // namespace

class DownloaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void versionsOfTheRealTools();
    void versionsText_data();
    void versionsText();
    void versionsStopAtTheFirstFailure_data();
    void versionsStopAtTheFirstFailure();
    void refusedLinksStartNoTool_data();
    void refusedLinksStartNoTool();
    void offlineAnalysis_data();
    void offlineAnalysis();
    void analysisFailures_data();
    void analysisFailures();
    void cancellationWinsOverASuccessfulExit();

private:
    QTemporaryDir m_media;
    QString m_video;
};

void DownloaderTest::initTestCase()
{
    m_video = m_media.filePath(u"clip.mp4"_s);
    QVERIFY(TestSupport::makeMedia(m_video, 320, 240, 1, 1));
}

void DownloaderTest::versionsOfTheRealTools()
{
    const QStringList lines = Downloader().versions().split(u'\n');
    QCOMPARE(lines.size(), 2);
    const QRegularExpressionMatch version
        = QRegularExpression(u"^yt-dlp (\\d{4})\\.(\\d{2})\\.\\d{2}(\\.\\d+)?$"_s).match(lines[0]);
    QVERIFY2(version.hasMatch(), qPrintable(lines[0]));
    // The engine passes options that only late-2025 releases know.
    QVERIFY(version.captured(1).toInt() * 100 + version.captured(2).toInt() >= 202510);
    QVERIFY2(lines[1].startsWith(u"ffmpeg version "_s), qPrintable(lines[1]));
}

void DownloaderTest::versionsText_data()
{
    QTest::addColumn<QByteArray>("ytdlp");
    QTest::addColumn<QByteArray>("ffmpeg");
    QTest::addColumn<QString>("text");

    QTest::newRow("downloader output trimmed, ffmpeg's first line kept as is")
        << "printf ' 2025.11.12 \\n\\n'"_ba
        << "printf ' ffmpeg version 5.1 \\nbuilt with gcc\\n'"_ba << u"yt-dlp 2025.11.12\n ffmpeg version 5.1 "_s;
    QTest::newRow("ffmpeg's single line without a line feed")
        << "echo 2026.01.01"_ba
        << "printf 'ffmpeg version n7'"_ba << u"yt-dlp 2026.01.01\nffmpeg version n7"_s;
    QTest::newRow("invalid UTF-8 is replaced") << "printf '2026\\xff'"_ba
                                               << "printf 'ff\\xfe\\n'"_ba << u"yt-dlp 2026\uFFFD\nff\uFFFD"_s;
}

void DownloaderTest::versionsText()
{
    QFETCH(QByteArray, ytdlp);
    QFETCH(QByteArray, ffmpeg);
    QFETCH(QString, text);

    StandInTools stand;
    stand.script(u"yt-dlp"_s, ytdlp);
    stand.script(u"ffmpeg"_s, ffmpeg);
    QCOMPARE(engineOn(stand).versions(), text);
}

void DownloaderTest::versionsStopAtTheFirstFailure_data()
{
    QTest::addColumn<QString>("broken");
    QTest::addColumn<BrisError::Kind>("kind");
    QTest::addColumn<QStringList>("started");

    QTest::newRow("ffprobe missing: nothing starts") << u"ffprobe"_s << BrisError::Kind::Message << QStringList {};
    QTest::newRow("downloader fails: nothing after it")
        << u"yt-dlp"_s << BrisError::Kind::Process << QStringList { u"yt-dlp"_s };
    QTest::newRow("ffmpeg fails: ffprobe and node never start")
        << u"ffmpeg"_s << BrisError::Kind::Process << QStringList { u"yt-dlp"_s, u"ffmpeg"_s };
    QTest::newRow("node fails last") << u"node"_s << BrisError::Kind::Process
                                     << QStringList { u"yt-dlp"_s, u"ffmpeg"_s, u"ffprobe"_s, u"node"_s };
}

void DownloaderTest::versionsStopAtTheFirstFailure()
{
    QFETCH(QString, broken);
    QFETCH(BrisError::Kind, kind);
    QFETCH(QStringList, started);

    StandInTools stand;
    const QStringList order { u"yt-dlp"_s, u"ffmpeg"_s, u"ffprobe"_s, u"node"_s };
    for (const QString& tool : order) {
        const bool fails = tool == broken && kind == BrisError::Kind::Process;
        stand.script(tool,
            touch(stand.file(u"ran-"_s + tool)) + (fails ? "echo 'ERROR: broken' >&2; exit 1"_ba : "echo 1.0"_ba));
    }
    if (kind == BrisError::Kind::Message)
        stand.remove(broken);
    try {
        engineOn(stand).versions();
        QFAIL("the check must fail");
    } catch (const BrisError& error) {
        QCOMPARE(error.kind(), kind);
    }
    QStringList ran;
    for (const QString& tool : order) {
        if (QFile::exists(stand.file(u"ran-"_s + tool)))
            ran.append(tool);
    }
    QCOMPARE(ran, started);
}

void DownloaderTest::refusedLinksStartNoTool_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("a playlist") << u"https://www.youtube.com/playlist?list=PLx0sYbCqOb8TBPRdmBHs5Iftvv9TPboYG"_s;
    QTest::newRow("a channel") << u"https://www.youtube.com/@someone"_s;
    QTest::newRow("a profile") << u"https://www.instagram.com/someone/"_s;
    QTest::newRow("another site") << u"https://example.com/watch?v=dQw4w9WgXcQ"_s;
    QTest::newRow("not a link") << u"hola"_s;
}

void DownloaderTest::refusedLinksStartNoTool()
{
    QFETCH(QString, text);

    StandInTools stand;
    stand.script(u"yt-dlp"_s, touch(stand.file(u"ran"_s)));
    try {
        engineOn(stand).analyze(text, std::make_shared<Cancellation>());
        QFAIL("the link must be refused");
    } catch (const BrisError& error) {
        QCOMPARE(error.errorDescription(),
            u"Pegá un enlace de video de YouTube, Facebook, Instagram o X / Twitter. "
            u"No se admiten perfiles ni listas completas."_s);
    }
    QVERIFY(!QFile::exists(stand.file(u"ran"_s)));
}

void DownloaderTest::offlineAnalysis_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QStringList>("ids");

    QTest::newRow("one YouTube video") << u"https://youtu.be/abcdefghijk"_s << QStringList { u"abcdefghijk"_s };
    QTest::newRow("an Instagram post with two videos")
        << u"https://www.instagram.com/p/Cabc123/"_s << QStringList { u"111"_s, u"222"_s };
}

void DownloaderTest::offlineAnalysis()
{
    QFETCH(QString, link);
    QFETCH(QStringList, ids);

    StandInTools stand;
    QJsonObject info;
    if (ids.size() == 1) {
        info = TestSupport::offlineVideo(ids[0], u"youtube"_s, m_video, 320, 240);
    } else {
        QJsonArray entries;
        for (const QString& id : ids)
            entries.append(TestSupport::offlineVideo(id, u"instagram"_s, m_video, 320, 240));
        info = { { u"id"_s, u"Cabc123"_s }, { u"_type"_s, u"playlist"_s }, { u"extractor"_s, u"instagram"_s },
            { u"extractor_key"_s, u"Instagram"_s }, { u"entries"_s, entries } };
    }
    const QString fixture = stand.file(u"info.json"_s);
    QVERIFY(TestSupport::writeJson(fixture, info));
    stand.offlineYtDlp(fixture);

    const QList<VideoInfo> videos = engineOn(stand).analyze(link, std::make_shared<Cancellation>());
    QStringList got;
    for (const VideoInfo& video : videos) {
        got.append(video.id);
        QCOMPARE(video.title, u"Prueba sin conexión"_s);
        QCOMPARE(video.sourceURL, MediaLink::make(link)->url());
        QCOMPARE(video.formats.size(), 1);
        QCOMPARE(video.formats[0].height, 240);
    }
    QCOMPARE(got, ids);
}

void DownloaderTest::analysisFailures_data()
{
    QTest::addColumn<QByteArray>("ytdlp");
    QTest::addColumn<QString>("description");

    QTest::newRow("the platform wants a signed-in user")
        << "echo \"ERROR: [youtube] abcdefghijk: Sign in to confirm you're not a bot\" >&2; exit 1"_ba
        << u"La plataforma pide iniciar sesión o restringe este contenido. Probá con un video público disponible. "
           u"Brisomar no usa tus cuentas ni cookies."_s;
    QTest::newRow("JSON of another shape") << "echo '[1, 2]'"_ba << u"No se pudo leer la información del video."_s;
    QTest::newRow("an endless line") << "tr '\\0' x < /dev/zero"_ba
                                     << u"Descarga cancelada. Podés reintentar cuando quieras."_s;
}

void DownloaderTest::analysisFailures()
{
    QFETCH(QByteArray, ytdlp);
    QFETCH(QString, description);

    StandInTools stand;
    stand.script(u"yt-dlp"_s, ytdlp);
    try {
        engineOn(stand).analyze(u"https://www.youtube.com/watch?v=abcdefghijk"_s, std::make_shared<Cancellation>());
        QFAIL("the analysis must fail");
    } catch (const std::exception& error) {
        QCOMPARE(errorDescription(error), description);
    }
}

void DownloaderTest::cancellationWinsOverASuccessfulExit()
{
    // A downloader that answers SIGTERM with a complete document and status 0.
    StandInTools stand;
    const QString fixture = stand.file(u"info.json"_s);
    QVERIFY(
        TestSupport::writeJson(fixture, TestSupport::offlineVideo(u"abcdefghijk"_s, u"youtube"_s, m_video, 320, 240)));
    stand.script(u"yt-dlp"_s,
        "trap \"cat '"_ba + fixture.toUtf8() + "'; exit 0\" TERM\n"_ba + touch(stand.file(u"started"_s))
            + "sleep 60 & wait\n"_ba);
    auto token = std::make_shared<Cancellation>();
    const Downloader engine = engineOn(stand);
    QFuture<BrisError::Kind> analysis = QtConcurrent::run([&] {
        try {
            engine.analyze(u"https://www.youtube.com/watch?v=abcdefghijk"_s, token);
        } catch (const BrisError& error) {
            return error.kind();
        }
        return BrisError::Kind::Message;
    });
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(stand.file(u"started"_s)), 10000);
    token->cancel();
    analysis.waitForFinished();
    QCOMPARE(analysis.result(), BrisError::Kind::Cancelled);
}

QTEST_GUILESS_MAIN(DownloaderTest)
#include "tst_downloader.moc"
