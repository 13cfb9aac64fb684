#include "BrisError.h"
#include "Downloader.h"
#include "JsRuntimeCheck.h"
#include "SocialValidation.h"
#include "StandInTools.h"
#include "TestSupport.h"
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
    QCOMPARE(lines.filter(QRegularExpression(u"^FAIL "_s)),
        QStringList({ lines.filter(u"FAIL "_s + failing + u' ').value(0), u"FAIL Falló: "_s + failing }));

    // Every check before the broken one passed, and the run ends with its name.
    QFile file(root.filePath(u"report.json"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonArray checks = QJsonDocument::fromJson(file.readAll())[u"checks"_s].toArray();
    QStringList failed;
    for (const QJsonValue& check : checks) {
        if (!check[u"passed"_s].toBool())
            failed << check[u"name"_s].toString();
    }
    QCOMPARE(failed, (QStringList { failing, u"Ejecución"_s }));
    QVERIFY(checks.size() >= 3 && checks[checks.size() - 2][u"name"_s] == failing);
}

void TestValidation::unusableRootEndsThroughTheErrorPath()
{
    QTemporaryDir folder;
    const QString blocker = folder.filePath(u"file"_s);
    QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
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
    const QString failure = TestSupport::failure(
        [&] { SocialValidation::offline(engine, root.path(), [&](const QString& line) { lines.append(line); }); });
    QVERIFY2(failure.startsWith(u"No se pudieron preparar los archivos de prueba: "_s), qPrintable(failure));
    QVERIFY(lines.isEmpty());
}

void TestValidation::budgetEndsAHangingToolAsATimeOut()
{
    const CancellationPtr cancel = std::make_shared<Cancellation>();
    Watchdog watchdog(cancel, 300ms);
    QElapsedTimer clock;
    clock.start();
    const QString failure = TestSupport::failure([&] {
        watchdog.call([&] {
            return Toolchain().run(u"node"_s, { u"-e"_s, u"setTimeout(() => {}, 60000)"_s }, cancel, 120);
        });
    });
    QVERIFY2(failure.startsWith(u"La prueba en vivo superó su tiempo de 0.3 s"_s), qPrintable(failure));
    QVERIFY(clock.elapsed() < 30'000); // well before the tool's own minute

    Watchdog spared(std::make_shared<Cancellation>(), 60s);
    QCOMPARE(spared.call([] { return 7; }), 7);
    QVERIFY(!spared.expired());
}

QTEST_GUILESS_MAIN(TestValidation)
#include "tst_validation.moc"
