#include "AppHarness.h"
#include "LocalPlayer.h"
#include "PlainButton.h"
#include "Playback.h"
#include "TestSupport.h"

#include <QMediaPlayer>
#include <QPushButton>
#include <QSlider>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Long enough that no file ends while a loaded machine runs a test.
constexpr double seconds = 30;
constexpr int patience = 20000;

DownloadJob finished(const QString& path)
{
    VideoInfo video;
    video.id = u"abcdefghijk"_s;
    video.title = u"Un video"_s;
    video.duration = 3;
    video.provider = MediaPlatform::youtube;
    DownloadJob job
        = DownloadJob::make(video, DownloadProfile(), QFileInfo(path).absolutePath(), JobState::completed, false);
    job.path = path;
    return job;
}

} // namespace

class PlayerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void playsWhileShown_data();
    void playsWhileShown();
    void everyOpeningStartsAtTheTop();
    void transportControls();
    void jobWithoutFile();
};

void PlayerTest::playsWhileShown_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("width");

    QTest::newRow("MP3 audio") << u"song.mp3"_s << 0;
    QTest::newRow("H.264/AAC MP4 video") << u"clip.mp4"_s << 320;
}

void PlayerTest::playsWhileShown()
{
    QFETCH(QString, file);
    QFETCH(int, width);

    AppHarness harness;
    const QString path = harness.dir.filePath(file);
    QVERIFY(TestSupport::makeMedia(path, width, width * 9 / 16, 1, seconds));
    AppModel& model = harness.open();
    const DownloadJob job = finished(path);
    model.setPreviewJob(job);

    LocalPlayer player(&model, job);
    QVERIFY(player.playback());
    QMediaPlayer* media = player.playback()->player();
    // Opened, not started, until the sheet appears.
    QCOMPARE(media->playbackState(), QMediaPlayer::StoppedState);
    player.show();
    QTRY_VERIFY_WITH_TIMEOUT(player.playback()->isPlaying(), patience);
    QTRY_VERIFY_WITH_TIMEOUT(media->position() > 200, patience);
    QCOMPARE(media->error(), QMediaPlayer::NoError);
    QCOMPARE(media->hasVideo(), width > 0);

    player.hide();
    QCOMPARE(media->playbackState(), QMediaPlayer::PausedState);

    player.show();
    QTRY_VERIFY_WITH_TIMEOUT(player.playback()->isPlaying(), patience);
    QTest::mouseClick(player.findChild<QPushButton*>(u"closePlayer"_s), Qt::LeftButton);
    QVERIFY(!model.previewJob());
}

void PlayerTest::everyOpeningStartsAtTheTop()
{
    AppHarness harness;
    const QString path = harness.dir.filePath(u"song.mp3"_s);
    QVERIFY(TestSupport::makeMedia(path, 0, 0, 1, seconds));
    AppModel& model = harness.open();
    const DownloadJob job = finished(path);

    // Closing and opening again, several times: each sheet has its own player,
    // starts at the top and really plays.
    for (int opening = 1; opening <= 6; ++opening) {
        LocalPlayer player(&model, job);
        QMediaPlayer* media = player.playback()->player();
        QCOMPARE(media->position(), 0);
        player.show();
        QVERIFY2(QTest::qWaitFor([&] { return media->position() > 300; }, patience),
            qPrintable(u"opening %1 never played"_s.arg(opening)));
    }
}

void PlayerTest::transportControls()
{
    AppHarness harness;
    const QString path = harness.dir.filePath(u"song.mp3"_s);
    QVERIFY(TestSupport::makeMedia(path, 0, 0, 1, seconds));
    AppModel& model = harness.open();
    LocalPlayer player(&model, finished(path));
    player.show();
    QMediaPlayer* media = player.playback()->player();
    QTRY_VERIFY_WITH_TIMEOUT(player.playback()->isPlaying(), patience);
    auto* playPause = player.findChild<PlainButton*>(u"playPause"_s);
    auto* seek = player.findChild<QSlider*>(u"seekBar"_s);
    QTRY_VERIFY_WITH_TIMEOUT(seek->maximum() > 25000, patience);
    QCOMPARE(seek->maximum(), int(media->duration()));
    QTRY_COMPARE(playPause->leading().symbol, u"pause.fill"_s);

    QTest::mouseClick(playPause, Qt::LeftButton);
    QCOMPARE(media->playbackState(), QMediaPlayer::PausedState);
    QTRY_COMPARE(playPause->leading().symbol, u"play.fill"_s);

    seek->setValue(20000);
    QTRY_VERIFY_WITH_TIMEOUT(media->position() >= 19900, patience);
    QTest::mouseClick(playPause, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(player.playback()->isPlaying(), patience);
}

void PlayerTest::jobWithoutFile()
{
    AppHarness harness;
    AppModel& model = harness.open();
    DownloadJob job = finished(harness.dir.filePath(u"song.mp3"_s));
    job.path.reset();
    job.video.title = u"Concierto completo en vivo desde el estadio, edición aniversario con todos los invitados "
                      u"sorpresa de la noche y los bises que nadie esperaba"_s;
    LocalPlayer player(&model, job);
    QVERIFY(!player.playback());
    player.show();
    // A long title wraps within the surface's width instead of widening the
    // sheet, and the padding stays 24 on every side around its two lines.
    const QWidget* title = player.findChild<QWidget*>(u"playerTitle"_s);
    const QWidget* surface = player.findChild<QWidget*>(u"playerSurface"_s);
    const QWidget* close = player.findChild<QWidget*>(u"closePlayer"_s);
    // The width asked for, which a large screen grants in full.
    QCOMPARE(player.sizeHint().width(), LocalPlayer::surfaceSize.width() + 48);
    QCOMPARE(player.width(), player.sizeHint().width());
    QCOMPARE(title->height(), 2 * title->fontMetrics().lineSpacing());
    QCOMPARE(title->geometry().top(), 24);
    QVERIFY(title->geometry().right() < close->geometry().left());
    QCOMPARE(close->geometry().right(), player.width() - 25);
    QCOMPARE(surface->geometry().bottom(), player.height() - 25);
    QVERIFY(!player.findChild<QSlider*>());
    player.hide();
    QTest::mouseClick(player.findChild<QPushButton*>(u"closePlayer"_s), Qt::LeftButton);
    QVERIFY(!model.previewJob());
}

QTEST_MAIN(PlayerTest)
#include "tst_player.moc"
