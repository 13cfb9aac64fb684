#include "AppHarness.h"
#include "Downloader.h"

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

QTEST_GUILESS_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
