#include "AppHarness.h"
#include "AppUpdates.h"
#include "StubUpdater.h"

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

const QString feed = u"https://updates.example.com/feed.xml"_s;

QVariantMap channel(const QVariant& enabled = true, const QVariant& url = feed,
    const QVariant& key = QString::fromLatin1(QByteArray(32, 'k').toBase64()))
{
    QVariantMap info { { u"CFBundleShortVersionString"_s, u"2.0.1"_s } };
    for (const auto& [name, value] :
        { std::pair { u"BrisUpdatesEnabled"_s, enabled }, { u"SUFeedURL"_s, url }, { u"SUPublicEDKey"_s, key } })
        if (value.isValid())
            info.insert(name, value);
    return info;
}

} // namespace

class AnalysisTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pasteDuringAnalysis();
    void staleResults();
    void refusals();
    void supersededEngineCheck();
    void updateChannel_data();
    void updateChannel();
    void busyHoldsUpdates();
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

// What comes back for a link since edited, or after a cancel, is dropped; the next analysis is the one shown.
void AnalysisTest::staleResults()
{
    AppHarness harness;
    QVERIFY(analyseFirst(harness));
    AppModel& model = *harness.model;
    bool shown = false;
    connect(&model, &AppModel::linkStateChanged, &model, [&] { shown = shown || model.info(); });
    model.setLink(linkOf(second));
    harness.engine->call(Kind::analyze, 0)->finish(QList { first });
    QTRY_VERIFY(!model.analyzing());
    QVERIFY(model.candidates().isEmpty() && !model.analyzedLink());
    model.analyze();
    QTRY_COMPARE(harness.engine->count(Kind::analyze), 2);
    model.cancelAnalysis();
    QVERIFY(!model.analyzing());
    harness.engine->call(Kind::analyze, 1)->finish(QList { second });
    model.analyze();
    QTRY_COMPARE(harness.engine->count(Kind::analyze), 3);
    QVERIFY(!shown);
    harness.engine->call(Kind::analyze, 2)->finish(QList { second });
    QTRY_COMPARE(model.info(), second);
    // An edit that keeps the normalised address keeps the result.
    model.setLink(u" https://youtu.be/bbbbbbbbbbb?si=share "_s);
    QCOMPARE(model.info(), second);
}

void AnalysisTest::refusals()
{
    AppHarness harness;
    QVERIFY(harness.openReady());
    AppModel& model = *harness.model;
    const QString profile = u"https://www.instagram.com/someone/"_s;
    model.setLink(profile);
    model.analyze();
    QCOMPARE(model.banner(), u"Pegá un enlace de YouTube, Facebook, Instagram o X / Twitter."_s);
    harness.services.clipboard = u"hola"_s;
    model.paste();
    QCOMPARE(model.banner(), u"Copiá primero un enlace de YouTube, Facebook, Instagram o X / Twitter."_s);
    QVERIFY(model.bannerError() && !model.analyzing());
    QCOMPARE(model.link(), profile);
}

// A check started over the one running decides the engine's state; the cancelled one is no failure.
void AnalysisTest::supersededEngineCheck()
{
    AppHarness harness;
    harness.engine->versionsNow = nullptr;
    AppModel& model = harness.open();
    model.start();
    QTRY_COMPARE(harness.engine->count(Kind::versions), 1);
    model.checkEngine();
    QTRY_COMPARE(harness.engine->count(Kind::versions), 2);
    QVERIFY(!model.banner() && model.engineChecking());
    harness.engine->call(Kind::versions, 1)->finish(BrisError::message(u"Falta ffprobe."_s));
    QTRY_VERIFY(!model.engineChecking());
    QVERIFY(!model.engineReady());
    QCOMPARE(model.banner(), u"Falta ffprobe."_s);
}

void AnalysisTest::updateChannel_data()
{
    QTest::addColumn<QVariantMap>("info");
    QTest::addColumn<bool>("configured");
    QTest::newRow("all three keys") << channel() << true;
    QTest::newRow("switched off") << channel(false) << false;
    QTest::newRow("switch as text") << channel(u"true"_s) << false;
    QTest::newRow("http feed") << channel(true, u"http://updates.example.com/feed.xml"_s) << false;
    QTest::newRow("feed without a host") << channel(true, u"https:///feed.xml"_s) << false;
    QTest::newRow("key of 31 bytes") << channel(true, feed, QString::fromLatin1(QByteArray(31, 'k').toBase64()))
                                     << false;
    QTest::newRow("key that is no Base64")
        << channel(true, feed, u"not*base64*at*all*but*long*enough*to*pass"_s) << false;
}

void AnalysisTest::updateChannel()
{
    QFETCH(QVariantMap, info);
    QFETCH(bool, configured);
    auto updater = std::make_unique<StubUpdater>();
    updater->startError = u"falta la clave"_s;
    AppUpdates updates(info, std::move(updater), nullptr);
    updates.start();
    QCOMPARE(updates.configured(), configured);
    QCOMPARE(updates.status() == u"No se pudo iniciar el actualizador: falta la clave"_s, configured);
    // Without an updater to drive there is no channel, whatever the keys say.
    QVERIFY(!AppUpdates(info, nullptr, nullptr).configured());
}

// Neither a check nor a relaunch into the new version may cut an analysis or a download short.
void AnalysisTest::busyHoldsUpdates()
{
    AppHarness harness;
    auto owned = std::make_unique<StubUpdater>();
    StubUpdater* updater = owned.get();
    auto* updates = new AppUpdates(channel(), std::move(owned), &harness.services);
    updates->setInstallPollInterval(std::chrono::milliseconds(20));
    AppModel& model = harness.open(updates);
    model.start();
    QTRY_VERIFY(model.engineReady());
    QVERIFY(!updater->scheduledCheck());

    model.setLink(linkOf(first));
    model.analyze();
    QCOMPARE(updater->scheduledCheck(),
        (UpdateRefusal {
            u"com.brisomar.updates"_s, 1, u"Brisomar terminará las descargas antes de comprobar actualizaciones."_s }));
    updates->check();
    QCOMPARE(updater->checks, 0);
    QCOMPARE(updates->status(), u"Esperá a que termine la cola antes de buscar actualizaciones."_s);
    QTRY_COMPARE(harness.engine->count(Kind::analyze), 1);
    harness.engine->call(Kind::analyze, 0)->finish(QList { first });
    QTRY_VERIFY(!model.analyzing());
    QVERIFY(!updater->scheduledCheck());

    model.enqueue();
    int relaunches = 0;
    QVERIFY(updater->updateReady([&] { ++relaunches; }));
    QVERIFY(updates->installPending());
    QVERIFY(!QTest::qWaitFor([&] { return relaunches > 0; }, 200));
    model.cancel(model.jobs().first());
    QTRY_COMPARE(relaunches, 1);
    QVERIFY(!updates->installPending());
    updates->check();
    QCOMPARE(updater->checks, 1);
    QVERIFY(!updater->updateReady([&] { ++relaunches; }));
}

QTEST_GUILESS_MAIN(AnalysisTest)
#include "tst_analysis.moc"
