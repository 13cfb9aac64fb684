#include "JsRuntimeCheck.h"
#include "StandInTools.h"
#include "Validation.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestValidation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void brokenLinkRuleStopsTheSuiteAtItsCheck();
    void ytDlpTakesOnlyASupportedNode_data();
    void ytDlpTakesOnlyASupportedNode();
};

void TestValidation::brokenLinkRuleStopsTheSuiteAtItsCheck()
{
    RulesUnderTest rules;
    rules.mediaLink = [](const QString& text) {
        return MediaLink::make(
            QString(text).replace(u"twitter.com/BrisomarQA/status/1"_s, u"x.com/BrisomarQA/status/9"_s));
    };
    const QString failing = u"X y Twitter normalizan al mismo origen sin tracking"_s;
    QTemporaryDir root;
    qputenv("BRISOMAR_TEST_ROOT", QFile::encodeName(root.path()));
    QStringList lines;
    const int status = Validation::run(false, { rules, [&](const QString& line) { lines.append(line); } });
    qunsetenv("BRISOMAR_TEST_ROOT");

    // Every check before the broken one passed; the run ends with its name.
    QCOMPARE(status, 1);
    QCOMPARE(lines.filter(QRegularExpression(u"^FAIL "_s)),
        QStringList({ lines.filter(u"FAIL "_s + failing + u' ').value(0), u"FAIL Falló: "_s + failing }));
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
}

QTEST_GUILESS_MAIN(TestValidation)
#include "tst_validation.moc"
