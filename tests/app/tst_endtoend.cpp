#include "AppHarness.h"
#include "Downloader.h"
#include "Fixtures.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

// The whole road without a window: the real yt-dlp, ffmpeg and ffprobe over a
// local clip, through the model, to verified files and a history that a
// second model reads back.
class EndToEndTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linkToLibraryAndBack();
    void retryOnAnExfatDisk();
};

void EndToEndTest::linkToLibraryAndBack()
{
    AppHarness harness;
    QDir::setCurrent(harness.dir.path());
    harness.serve(TestSupport::offlineVideo(u"abcdefghijk"_s, u"youtube"_s, harness.clip(), 320, 240));
    const Downloader engine(Toolchain(harness.tools.root()));

    QList<DownloadJob> saved;
    {
        QVERIFY(harness.openStarted());
        AppModel& model = *harness.model;
        QVERIFY(model.engineReady());
        model.setLink(u"https://youtu.be/abcdefghijk"_s);
        model.analyze();
        QTRY_VERIFY_WITH_TIMEOUT(model.info(), 60000);
        QCOMPARE(model.videoQualities(), QList<qint64> { 240 });

        // One audio and one video job, run one after the other.
        model.enqueue();
        DownloadProfile video = model.profile();
        video.kind = DownloadKind::video;
        model.setProfile(video);
        model.enqueue();
        QTRY_VERIFY_WITH_TIMEOUT(model.pendingCount() == 0, 180000);
        QCOMPARE(model.completed().size(), 2);
        for (const DownloadJob& job : model.completed()) {
            QVERIFY2(job.fileAvailable(), qPrintable(job.detail));
            QCOMPARE(QFileInfo(*job.path).absolutePath(), QFileInfo(harness.downloads()).canonicalFilePath());
            const MediaProbe probe = engine.probe(*job.path, std::make_shared<Cancellation>());
            QVERIFY(probe.audio);
            QCOMPARE(probe.video, job.profile.kind == DownloadKind::video);
        }
        saved = model.jobs();
        model.finishSaving();
        QCOMPARE(DownloadJob::decodeHistory(TestSupport::readFile(harness.data() + u"/library.json"_s)), saved);
        // The engine check asked only for versions: nothing was downloaded where the program runs.
        QCOMPARE(QDir(harness.dir.path()).entryList(QDir::Files), QStringList());
        model.shutdown();
    }

    AppModel& reopened = harness.openReal();
    QCOMPARE(reopened.jobs(), saved);
    QCOMPARE(reopened.link(), u"https://youtu.be/abcdefghijk"_s);
    QCOMPARE(reopened.profile().kind, DownloadKind::video);
}

// A job that failed on a USB stick because its name was refused: the retry
// names the file afresh, in the terms that disk takes.
void EndToEndTest::retryOnAnExfatDisk()
{
    const TestSupport::ExfatDisk disk;
    if (disk.folder().isEmpty())
        QSKIP(qPrintable(u"No se pudo montar un disco exFAT: "_s + disk.problem()));
    AppHarness harness;
    harness.serve(TestSupport::offlineVideo(u"abcdefghijk"_s, u"youtube"_s, harness.clip(), 320, 240));
    VideoInfo video = testVideo(u"abcdefghijk"_s, { 240 }, u"¿Qué? <a|b>"_s);
    video.duration = 1;
    DownloadJob failed = DownloadJob::make(
        video, Fixtures::audioProfile(AudioFormat::mp3, 128, false), disk.folder(), JobState::failed, false);
    failed.detail = u"No se pudo mover el archivo a %1/¿Qué? <a|b> [abcdefghijk] mp3-128.mp3 (No such file or "
                    u"directory)."_s.arg(disk.folder());
    QVERIFY(harness.writeHistory({ failed }));

    QVERIFY(harness.openStarted());
    AppModel& model = *harness.model;
    QVERIFY(model.engineReady());
    model.retry(failed);
    QTRY_VERIFY_WITH_TIMEOUT(model.pendingCount() == 0, 120000);
    const DownloadJob done = model.jobs().constFirst();
    QVERIFY2(done.state == JobState::completed, qPrintable(done.detail));
    QCOMPARE(done.path, disk.folder() + u"/¿Qué   a b [abcdefghijk] mp3-128.mp3"_s);
    QVERIFY(done.fileAvailable());
    model.shutdown();
}

QTEST_GUILESS_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
