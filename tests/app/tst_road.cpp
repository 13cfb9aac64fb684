#include "AppModel.h"
#include "Downloader.h"
#include "FakeDesktopServices.h"
#include "StandInTools.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The whole road without a window: the real yt-dlp, ffmpeg and ffprobe over a
// local clip, through the model, to verified files and a history that a
// second model reads back.
class RoadTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linkToLibraryAndBack();
};

void RoadTest::linkToLibraryAndBack()
{
    QTemporaryDir dir;
    const QString clip = dir.filePath(u"clip.mp4"_s);
    QVERIFY(TestSupport::makeMedia(clip, 320, 240, 1, 2));
    StandInTools stand;
    QVERIFY(TestSupport::writeJson(
        stand.file(u"info.json"_s), TestSupport::offlineVideo(u"abcdefghijk"_s, u"youtube"_s, clip, 320, 240)));
    stand.offlineYtDlp(stand.file(u"info.json"_s));
    const QString downloads = dir.filePath(u"Descargas"_s);
    qputenv("BRISOMAR_DOWNLOAD_DIR", downloads.toUtf8());
    const BrisPaths paths(dir.filePath(u"data"_s));
    auto engine = std::make_shared<Downloader>(Toolchain(stand.root()), paths);
    FakeDesktopServices services;

    QList<DownloadJob> saved;
    {
        AppModel model(engine, &services);
        model.start();
        QTRY_VERIFY_WITH_TIMEOUT(model.engineReady(), 60000);
        model.setLink(u"https://youtu.be/abcdefghijk"_s);
        model.analyze();
        QTRY_VERIFY_WITH_TIMEOUT(model.info(), 60000);
        QCOMPARE(model.videoQualities(), QList<qint64> { 240 });
        QVERIFY(!model.banner());

        // One audio and one video job, run one after the other.
        model.enqueue();
        DownloadProfile video = model.profile();
        video.kind = DownloadKind::video;
        model.setProfile(video);
        QCOMPARE(model.profile().height, 240);
        model.enqueue();
        QCOMPARE(model.pendingCount(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(model.pendingCount() == 0, 180000);
        QCOMPARE(model.completed().size(), 2);
        for (const DownloadJob& job : model.completed()) {
            QVERIFY2(job.fileAvailable(), qPrintable(job.detail));
            QCOMPARE(QFileInfo(*job.path).absolutePath(), QFileInfo(downloads).canonicalFilePath());
            const MediaProbe probe = engine->probe(*job.path, std::make_shared<Cancellation>());
            QVERIFY(probe.audio);
            QCOMPARE(probe.video, job.profile.kind == DownloadKind::video);
        }
        saved = model.jobs();
        QCOMPARE(DownloadJob::decodeHistory(TestSupport::readFile(paths.history())), saved);
        model.shutdown();
    }

    AppModel reopened(engine, &services);
    QCOMPARE(reopened.jobs(), saved);
    QCOMPARE(reopened.link(), u"https://youtu.be/abcdefghijk"_s);
    QCOMPARE(reopened.profile().kind, DownloadKind::video);
}

QTEST_GUILESS_MAIN(RoadTest)
#include "tst_road.moc"
