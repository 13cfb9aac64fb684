#include "BrisError.h"
#include "Downloader.h"
#include "JsRuntimeCheck.h"
#include "LiveSuite.h"
#include "SocialValidation.h"
#include "StandInTools.h"
#include "TestAudio.h"
#include "Validation.h"
#include "Watchdog.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(LinkRules)

class TestValidation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void brokenLinkRuleStopsTheSuiteAtItsCheck_data();
    void brokenLinkRuleStopsTheSuiteAtItsCheck();
    void unusableRootEndsThroughTheErrorPath();
    void ytDlpTakesOnlyASupportedNode_data();
    void ytDlpTakesOnlyASupportedNode();
    void offlineSocialChecksFailAsAMessage();
    void testAudioIsTwelveSecondsOfMonoPcm();
    void liveLinksAreOnTheirPlatformsAllowList_data();
    void liveLinksAreOnTheirPlatformsAllowList();
    void liveHeightRoundsUpTheSmallestOffered_data();
    void liveHeightRoundsUpTheSmallestOffered();
    void budgetEndsAHangingToolAsATimeOut();
};

void TestValidation::brokenLinkRuleStopsTheSuiteAtItsCheck_data()
{
    QTest::addColumn<LinkRules>("rules");
    QTest::addColumn<QString>("failing");

    LinkRules credentials;
    credentials.youtubeID
        = [](const QString& text) { return youtubeID(QString(text).remove(QRegularExpression(u"(?<=//)[^/@]*@"_s))); };
    QTest::newRow("youtube id read past credentials") << credentials << u"URL inválida rechazada"_s;

    LinkRules music;
    music.youtubeID = [](const QString& text) { return text.contains(u"music."_s) ? std::nullopt : youtubeID(text); };
    QTest::newRow("music subdomain refused") << music << u"URL permitida"_s;

    LinkRules profiles;
    profiles.mediaLink = [](const QString& text) {
        const std::optional<MediaLink> made = MediaLink::make(text);
        return made || !text.contains(u"instagram.com/"_s)
            ? made
            : MediaLink::make(u"https://www.instagram.com/p/Profile1/"_s);
    };
    QTest::newRow("instagram profile taken for a post") << profiles << u"Perfil o enlace ajeno rechazado"_s;

    LinkRules apart;
    apart.mediaLink = [](const QString& text) {
        return MediaLink::make(
            QString(text).replace(u"twitter.com/BrisomarQA/status/1"_s, u"x.com/BrisomarQA/status/9"_s));
    };
    QTest::newRow("former X domain kept apart") << apart << u"X y Twitter normalizan al mismo origen sin tracking"_s;
}

void TestValidation::brokenLinkRuleStopsTheSuiteAtItsCheck()
{
    QFETCH(LinkRules, rules);
    QFETCH(QString, failing);
    QTemporaryDir root;
    qputenv("BRISOMAR_TEST_ROOT", QFile::encodeName(root.path()));
    QStringList lines;
    const int status = Validation::run(false, { rules, [&](const QString& line) { lines.append(line); } });
    qunsetenv("BRISOMAR_TEST_ROOT");

    QCOMPARE(status, 1);
    const QStringList failed = lines.filter(QRegularExpression(u"^FAIL "_s));
    QCOMPARE(failed.size(), 2);
    QVERIFY2(failed[0].startsWith(u"FAIL "_s + failing + u' '), qPrintable(failed[0]));
    QCOMPARE(failed[1], u"FAIL Falló: "_s + failing);

    QFile file(root.filePath(u"report.json"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject report = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(report.value(u"passed"_s), QJsonValue(false));
    const QJsonArray checks = report.value(u"checks"_s).toArray();
    QVERIFY(checks.size() >= 3);
    for (qsizetype i = 0; i < checks.size() - 2; ++i)
        QCOMPARE(checks[i][u"passed"_s], QJsonValue(true));
    QCOMPARE(checks[checks.size() - 2][u"name"_s].toString(), failing);
    QCOMPARE(checks[checks.size() - 2][u"passed"_s], QJsonValue(false));
    QCOMPARE(checks.last()[u"name"_s].toString(), u"Ejecución"_s);
    QCOMPARE(checks.last()[u"detail"_s].toString(), u"Falló: "_s + failing);
}

void TestValidation::unusableRootEndsThroughTheErrorPath()
{
    QTemporaryDir folder;
    const QString blocker = folder.filePath(u"file"_s);
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("BRISOMAR_TEST_ROOT", QFile::encodeName(blocker + u"/root"_s));
    QStringList lines;
    const int status = Validation::run(false, { LinkRules(), [&](const QString& line) { lines.append(line); } });
    qunsetenv("BRISOMAR_TEST_ROOT");

    QCOMPARE(status, 1);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith(u"FAIL "_s) && lines[0].contains(blocker), qPrintable(lines[0]));
    QVERIFY(!QFileInfo::exists(blocker + u"/root"_s));
}

void TestValidation::ytDlpTakesOnlyASupportedNode_data()
{
    QTest::addColumn<QByteArray>("node");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("detail");
    QTest::newRow("the tools root's own") << QByteArray() << true << u"node 24."_s;
    QTest::newRow("a node 20 that starts")
        << "echo v20.20.2"_ba << false << u"JS runtimes: node-20.20.2 (unsupported) · JS Challenge Providers: "_s;
}

void TestValidation::ytDlpTakesOnlyASupportedNode()
{
    QFETCH(QByteArray, node);
    QFETCH(bool, accepted);
    QFETCH(QString, detail);
    StandInTools tools;
    if (!node.isEmpty())
        tools.script(u"node"_s, node);
    QTemporaryDir folder;
    const JsRuntimeCheck::Result result
        = JsRuntimeCheck::run(Toolchain(tools.root()), folder.path(), std::make_shared<Cancellation>());
    QCOMPARE(result.accepted, accepted);
    QVERIFY2(result.detail.startsWith(detail), qPrintable(result.detail));
    if (!accepted)
        QVERIFY2(result.detail.contains(u"node (unavailable)"_s), qPrintable(result.detail));
}

void TestValidation::offlineSocialChecksFailAsAMessage()
{
    StandInTools tools;
    tools.remove(u"ffmpeg"_s);
    QTemporaryDir data;
    QTemporaryDir root;
    const Downloader engine(Toolchain(tools.root()), BrisPaths(data.path()));
    QStringList lines;
    try {
        SocialValidation::offline(engine, root.path(), [&](const QString& line) { lines.append(line); });
        QFAIL("the checks passed without a converter");
    } catch (const BrisError& error) {
        QCOMPARE(error.kind(), BrisError::Kind::Message);
        QVERIFY2(error.errorDescription().startsWith(u"No se pudieron preparar los archivos de prueba: "_s),
            qPrintable(error.errorDescription()));
    }
    QVERIFY(lines.isEmpty());
}

void TestValidation::testAudioIsTwelveSecondsOfMonoPcm()
{
    // What ffprobe reads is what counts: twelve seconds of 16-bit PCM, no picture.
    const QByteArray wav = TestAudio::wav();
    QTemporaryDir folder;
    const QString path = folder.filePath(u"test.wav"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(wav) == wav.size());
    file.close();
    const MediaProbe measured = Downloader().probe(path, std::make_shared<Cancellation>());
    QCOMPARE(measured.codecs, QStringList { u"pcm_s16le"_s });
    QVERIFY(measured.audio && !measured.video);
    QVERIFY(qAbs(measured.duration - 12.0) < 0.001);
}

void TestValidation::liveLinksAreOnTheirPlatformsAllowList_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<MediaPlatform>("platform");
    QTest::newRow("youtube") << LiveSuite::link() << MediaPlatform::youtube;
    for (const auto& [platform, link] : SocialValidation::liveLinks())
        QTest::newRow(qPrintable(rawValue(platform))) << link << platform;
}

void TestValidation::liveLinksAreOnTheirPlatformsAllowList()
{
    QFETCH(QString, link);
    QFETCH(MediaPlatform, platform);
    const std::optional<MediaLink> made = MediaLink::make(link);
    QVERIFY(made);
    QCOMPARE(made->platform(), platform);
    QCOMPARE(made->url(), link);
}

void TestValidation::liveHeightRoundsUpTheSmallestOffered_data()
{
    QTest::addColumn<QList<qint64>>("offered");
    QTest::addColumn<qint64>("height");
    QTest::newRow("portrait side between steps") << QList<qint64> { 1080, 720, 406 } << qint64(480);
    QTest::newRow("allowed height kept") << QList<qint64> { 720, 360 } << qint64(360);
    QTest::newRow("nothing offered takes the best") << QList<qint64> {} << qint64(0);
    QTest::newRow("beyond every step takes the best") << QList<qint64> { 8640 } << qint64(0);
}

void TestValidation::liveHeightRoundsUpTheSmallestOffered()
{
    QFETCH(QList<qint64>, offered);
    QFETCH(qint64, height);
    QCOMPARE(SocialValidation::liveHeight(offered), height);
}

void TestValidation::budgetEndsAHangingToolAsATimeOut()
{
    const CancellationPtr cancel = std::make_shared<Cancellation>();
    Watchdog watchdog(cancel, 300ms);
    QElapsedTimer clock;
    clock.start();
    QString failure;
    try {
        watchdog.call([&] {
            return Toolchain().run(u"node"_s, { u"-e"_s, u"setTimeout(() => {}, 60000)"_s }, cancel, 120);
        });
    } catch (const BrisError& error) {
        failure = error.errorDescription();
    }
    QVERIFY2(failure.startsWith(u"La prueba en vivo superó su tiempo de 0.3 s"_s), qPrintable(failure));
    QVERIFY(clock.elapsed() < 10'000);

    Watchdog spared(std::make_shared<Cancellation>(), 60s);
    QCOMPARE(spared.call([] { return 7; }), 7);
    QVERIFY(!spared.expired());
}

QTEST_GUILESS_MAIN(TestValidation)
#include "tst_validation.moc"
