#include "AppHarness.h"
#include "Fixtures.h"

#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;
using Kind = ControlledEngine::Kind;

namespace {

const VideoInfo first = testVideo(u"aaaaaaaaaaa"_s, { 720 }, u"Primero"_s);
const VideoInfo second = testVideo(u"bbbbbbbbbbb"_s, { 1080 }, u"Segundo"_s);

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
    void normalizeQuality_data();
    void normalizeQuality();
    void supersededEngineCheck();
};

void AnalysisTest::pasteDuringAnalysis()
{
    AppHarness harness;
    QVERIFY(harness.openReady());
    AppModel& model = *harness.model;
    model.setLink(linkOf(first));
    model.analyze();
    QTRY_COMPARE(harness.engine->count(Kind::analyze), 1);

    harness.services.clipboard = u"  "_s + linkOf(second) + u"\n"_s;
    model.paste();
    QCOMPARE(model.link(), linkOf(second));
    QVERIFY(model.analyzing());
    QVERIFY(harness.engine->call(Kind::analyze, 0)->token->cancelled());
    // Whenever the flag drops, the new result must be what is shown.
    QList<bool> idleWithNewResult;
    connect(&model, &AppModel::linkStateChanged, &model, [&] {
        if (!model.analyzing())
            idleWithNewResult.append(model.info() == second);
    });
    QTRY_COMPARE(harness.engine->count(Kind::analyze), 2);
    QCOMPARE(harness.engine->call(Kind::analyze, 1)->text, linkOf(second));
    harness.engine->call(Kind::analyze, 1)->finish(QList { second });

    QTRY_VERIFY(!model.analyzing());
    QCOMPARE(idleWithNewResult, QList { true });
    QCOMPARE(model.analyzedLink(), linkOf(second));
    QVERIFY(!model.banner());
}

void AnalysisTest::editingTheLinkWhileAResultIsOnItsWay()
{
    AppHarness harness;
    harness.engine->cancelEnds = false;
    QVERIFY(harness.openReady());
    AppModel& model = *harness.model;
    model.setLink(linkOf(first));
    model.analyze();
    QTRY_COMPARE(harness.engine->count(Kind::analyze), 1);

    model.setLink(linkOf(second));
    QVERIFY(model.analyzing());
    harness.engine->call(Kind::analyze, 0)->finish(QList { first });
    QTRY_VERIFY(!model.analyzing());
    QVERIFY(!model.info());
    QVERIFY(model.candidates().isEmpty());
    QVERIFY(!model.analyzedLink());

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
    harness.engine->cancelEnds = false;
    QVERIFY(harness.openReady());
    AppModel& model = *harness.model;
    model.setLink(linkOf(first));
    model.analyze();
    QTRY_COMPARE(harness.engine->count(Kind::analyze), 1);
    model.cancelAnalysis();
    QVERIFY(!model.analyzing());
    bool shown = false;
    connect(&model, &AppModel::linkStateChanged, &model, [&] { shown = shown || model.info(); });
    auto late = harness.engine->call(Kind::analyze, 0);
    if (succeeds)
        late->finish(QList { first });
    else
        late->finish(BrisError::message(u"La plataforma no respondió."_s));
    QTRY_VERIFY(late->ended());

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
    if (ready) {
        QVERIFY(harness.openReady());
    } else {
        harness.engine->versionsNow = nullptr;
        harness.open().start();
        QTRY_COMPARE(harness.engine->count(Kind::versions), 1);
    }
    AppModel& model = *harness.model;
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

void AnalysisTest::normalizeQuality_data()
{
    QTest::addColumn<DownloadProfile>("before");
    QTest::addColumn<QList<VideoFormat>>("formats");
    QTest::addColumn<QList<qint64>>("offered");
    QTest::addColumn<DownloadProfile>("after");

    auto wide = [](qint64 height) { return VideoFormat { height, height * 16 / 9, {}, true, {} }; };
    const QList<VideoFormat> noVideo;
    QTest::newRow("MP3 at 160 kbps") << Fixtures::audioProfile(AudioFormat::mp3, 160) << noVideo << QList<qint64>()
                                     << Fixtures::audioProfile(AudioFormat::mp3, 192);
    QTest::newRow("FLAC keeps any bit rate") << Fixtures::audioProfile(AudioFormat::flac, 7) << noVideo
                                             << QList<qint64>() << Fixtures::audioProfile(AudioFormat::flac, 7);
    QTest::newRow("2160 without a video stays") << Fixtures::videoProfile(VideoContainer::mp4, 2160) << noVideo
                                                << QList<qint64>() << Fixtures::videoProfile(VideoContainer::mp4, 2160);
    QTest::newRow("2160 for 1080, 720 and 360")
        << Fixtures::videoProfile(VideoContainer::mp4, 2160) << QList { wide(1080), wide(720), wide(360) }
        << QList<qint64> { 1080, 720, 480, 360 } << Fixtures::videoProfile(VideoContainer::mp4, 1080);
    QTest::newRow("2160 for 1000 and 700")
        << Fixtures::videoProfile(VideoContainer::mp4, 2160) << QList { wide(1000), wide(700) } << QList<qint64> { 720 }
        << Fixtures::videoProfile(VideoContainer::mp4, 720);
    QTest::newRow("best available stays") << Fixtures::videoProfile(VideoContainer::mp4, 0) << QList { wide(720) }
                                          << QList<qint64> { 720 } << Fixtures::videoProfile(VideoContainer::mp4, 0);
    QTest::newRow("nothing offered means best available") << Fixtures::videoProfile(VideoContainer::mp4,
        720) << QList { wide(1000) } << QList<qint64>() << Fixtures::videoProfile(VideoContainer::mp4, 0);
    QTest::newRow("portrait 1080x1920 counts as 1080")
        << Fixtures::videoProfile(VideoContainer::mp4, 1440)
        << QList { VideoFormat { 1920, 1080, {}, true, {} }, wide(144) }
        << QList<qint64> { 1080, 720, 480, 360, 240, 144 } << Fixtures::videoProfile(VideoContainer::mp4, 1080);
}

void AnalysisTest::normalizeQuality()
{
    QFETCH(DownloadProfile, before);
    QFETCH(QList<VideoFormat>, formats);
    QFETCH(QList<qint64>, offered);
    QFETCH(DownloadProfile, after);

    AppHarness harness;
    VideoInfo analysed = first;
    analysed.formats = formats;
    QVERIFY(harness.openAnalysing({ analysed }));
    AppModel& model = *harness.model;
    model.setProfile(before);
    if (formats.isEmpty()) {
        model.normalizeQuality();
    } else {
        model.setLink(linkOf(first));
        model.analyze();
        QTRY_VERIFY(model.info());
    }
    QCOMPARE(model.videoQualities(), offered);
    QCOMPARE(model.profile(), after);
    // The snapped profile is the saved draft.
    QCOMPARE(model.preferences().lastProfile, after);
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
    QTRY_VERIFY(harness.engine->call(Kind::versions, 0)->ended());
    harness.engine->call(Kind::versions, 1)->finish(u"yt-dlp 2025.11.12"_s);
    QTRY_VERIFY(!model.engineChecking());
    // The cancelled check is no failure of the engine.
    QVERIFY(model.engineReady());
    QCOMPARE(model.engineDetail(), u"yt-dlp 2025.11.12"_s);
    QVERIFY(!model.banner());

    model.checkEngine();
    QVERIFY(model.engineChecking());
    QVERIFY(model.engineReady());
    QTRY_COMPARE(harness.engine->count(Kind::versions), 3);
    harness.engine->call(Kind::versions, 2)->finish(BrisError::message(u"Falta ffprobe."_s));
    QTRY_VERIFY(!model.engineChecking());
    QVERIFY(!model.engineReady());
    QCOMPARE(model.engineDetail(), u"Falta ffprobe."_s);
    QCOMPARE(model.banner(), u"Falta ffprobe."_s);
    QVERIFY(model.bannerError());
}

QTEST_GUILESS_MAIN(AnalysisTest)
#include "tst_analysis.moc"
