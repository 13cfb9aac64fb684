#include "AppHarness.h"

using namespace Qt::Literals::StringLiterals;
using Kind = ControlledEngine::Kind;

namespace {

const VideoInfo first = testVideo(u"aaaaaaaaaaa"_s, { 720 }, u"Primero"_s);
const VideoInfo second = testVideo(u"bbbbbbbbbbb"_s, { 1080 }, u"Segundo"_s);

// Opens on an engine whose analyses wait for the test, and asks for `first`.
bool analyseFirst(AppHarness& harness)
{
    harness.engine->cancelEnds = false;
    if (!harness.openReady())
        return false;
    harness.model->setLink(linkOf(first));
    harness.model->analyze();
    return QTest::qWaitFor([&] { return harness.engine->count(Kind::analyze) == 1; }, 5000);
}

} // namespace

class AnalysisTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pasteDuringAnalysis();
    void editingTheLinkWhileAResultIsOnItsWay();
    void lateOutcomeAfterCancel_data();
    void lateOutcomeAfterCancel();
    void refusals_data();
    void refusals();
    void supersededEngineCheck();
};

void AnalysisTest::pasteDuringAnalysis()
{
    AppHarness harness;
    QVERIFY(analyseFirst(harness));
    AppModel& model = *harness.model;
    harness.services.clipboard = u"  "_s + linkOf(second) + u"\n"_s;
    model.paste();
    QCOMPARE(model.link(), linkOf(second));
    QVERIFY(harness.engine->call(Kind::analyze, 0)->token->cancelled());
    // Whenever the flag drops, the new result must be what is shown.
    QList<bool> idleWithNewResult;
    connect(&model, &AppModel::linkStateChanged, &model, [&] {
        if (!model.analyzing())
            idleWithNewResult.append(model.info() == second);
    });
    harness.engine->call(Kind::analyze, 0)->finish(QList { first });
    QTRY_COMPARE(harness.engine->count(Kind::analyze), 2);
    QCOMPARE(harness.engine->call(Kind::analyze, 1)->text, linkOf(second));
    harness.engine->call(Kind::analyze, 1)->finish(QList { second });
    QTRY_VERIFY(!model.analyzing());
    QCOMPARE(idleWithNewResult, QList { true });
    QVERIFY(!model.banner());
}

void AnalysisTest::editingTheLinkWhileAResultIsOnItsWay()
{
    AppHarness harness;
    QVERIFY(analyseFirst(harness));
    AppModel& model = *harness.model;
    model.setLink(linkOf(second));
    harness.engine->call(Kind::analyze, 0)->finish(QList { first });
    QTRY_VERIFY(!model.analyzing());
    QVERIFY(!model.info() && model.candidates().isEmpty() && !model.analyzedLink());

    // An edit that keeps the normalised address keeps the result.
    model.analyze();
    QTRY_COMPARE(harness.engine->count(Kind::analyze), 2);
    harness.engine->call(Kind::analyze, 1)->finish(QList { second });
    QTRY_COMPARE(model.info(), second);
    model.setLink(u" https://youtu.be/bbbbbbbbbbb?si=share "_s);
    QCOMPARE(model.info(), second);
    model.setLink(linkOf(first));
    QVERIFY(!model.info());
}

void AnalysisTest::lateOutcomeAfterCancel_data()
{
    QTest::addColumn<bool>("succeeds");
    QTest::newRow("a failure after the cancel shows nothing") << false;
    QTest::newRow("a success after the cancel is dropped") << true;
}

void AnalysisTest::lateOutcomeAfterCancel()
{
    QFETCH(bool, succeeds);

    AppHarness harness;
    QVERIFY(analyseFirst(harness));
    AppModel& model = *harness.model;
    model.cancelAnalysis();
    QVERIFY(!model.analyzing());
    bool shown = false;
    connect(&model, &AppModel::linkStateChanged, &model, [&] { shown = shown || model.info(); });
    if (succeeds)
        harness.engine->call(Kind::analyze, 0)->finish(QList { first });
    else
        harness.engine->call(Kind::analyze, 0)->finish(BrisError::message(u"La plataforma no respondió."_s));

    // The next analysis is the one shown; the late outcome leaves no trace.
    model.analyze();
    QTRY_COMPARE(harness.engine->count(Kind::analyze), 2);
    harness.engine->call(Kind::analyze, 1)->finish(BrisError::message(u"Otra falla."_s));
    QTRY_VERIFY(!model.analyzing());
    QCOMPARE(model.banner(), u"Otra falla."_s);
    QVERIFY(!shown);
}

void AnalysisTest::refusals_data()
{
    QTest::addColumn<bool>("ready");
    QTest::addColumn<QString>("link");
    QTest::addColumn<std::optional<QString>>("clipboard");
    QTest::addColumn<QString>("banner");

    const QString paste = u"Copiá primero un enlace de YouTube, Facebook, Instagram o X / Twitter."_s;
    const std::optional<QString> none;
    QTest::newRow("the engine is not ready yet") << false << linkOf(first) << none << QString();
    QTest::newRow("a profile is no video link") << true << u"https://www.instagram.com/someone/"_s << none
                                                << u"Pegá un enlace de YouTube, Facebook, Instagram o X / Twitter."_s;
    QTest::newRow("paste with nothing copied") << true << linkOf(first) << std::optional(QString()) << paste;
    QTest::newRow("paste of plain words") << true << linkOf(first) << std::optional(u"hola"_s) << paste;
}

void AnalysisTest::refusals()
{
    QFETCH(bool, ready);
    QFETCH(QString, link);
    QFETCH(std::optional<QString>, clipboard);
    QFETCH(QString, banner);

    AppHarness harness;
    if (!ready)
        harness.engine->versionsNow = nullptr;
    harness.open().start();
    AppModel& model = *harness.model;
    QTRY_VERIFY(model.engineReady() == ready && harness.engine->count(Kind::versions) == (ready ? 0 : 1));
    model.setLink(link);
    if (clipboard) {
        harness.services.clipboard = clipboard->isNull() ? std::nullopt : clipboard;
        model.paste();
    } else {
        model.analyze();
    }
    QVERIFY(!model.analyzing());
    QCOMPARE(model.link(), link);
    QCOMPARE(model.banner().value_or(QString()), banner);
    QCOMPARE(model.bannerError(), !banner.isEmpty());
}

void AnalysisTest::supersededEngineCheck()
{
    AppHarness harness;
    harness.engine->versionsNow = nullptr;
    AppModel& model = harness.open();
    model.start();
    QTRY_COMPARE(harness.engine->count(Kind::versions), 1);
    model.checkEngine();
    QTRY_COMPARE(harness.engine->count(Kind::versions), 2);
    harness.engine->call(Kind::versions, 1)->finish(u"yt-dlp 2025.11.12"_s);
    // The cancelled check is no failure of the engine.
    QTRY_VERIFY(!model.engineChecking());
    QVERIFY(model.engineReady());
    QVERIFY(!model.banner());

    model.checkEngine();
    QVERIFY(model.engineReady());
    QTRY_COMPARE(harness.engine->count(Kind::versions), 3);
    harness.engine->call(Kind::versions, 2)->finish(BrisError::message(u"Falta ffprobe."_s));
    QTRY_VERIFY(!model.engineChecking());
    QVERIFY(!model.engineReady());
    QCOMPARE(model.engineDetail(), u"Falta ffprobe."_s);
    QCOMPARE(model.banner(), u"Falta ffprobe."_s);
}

QTEST_GUILESS_MAIN(AnalysisTest)
#include "tst_analysis.moc"
