// A new user's whole road through the window on local media and the real
// tools: paste a link, analyse, pick a clip of the post, choose an MP4 video,
// download, watch it in the queue, find it in the library and play it.
#include "CandidateRow.h"
#include "LibraryModel.h"
#include "LibraryRowDelegate.h"
#include "LibraryView.h"
#include "LocalPlayer.h"
#include "MainView.h"
#include "PlainButton.h"
#include "Playback.h"
#include "SegmentedPicker.h"
#include "SheetDialog.h"
#include "Window.h"

#include <QListView>
#include <QMediaPlayer>

using namespace Qt::Literals::StringLiterals;

using namespace Window;

class WindowEndToEndTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pasteAnalyseDownloadPlay()
    {
        // Long enough that no clip ends while a loaded machine plays it.
        AppHarness harness;
        const QString clip = harness.dir.filePath(u"clip.mp4"_s);
        QVERIFY(TestSupport::makeMedia(clip, 320, 180, 1, 30));
        harness.serve(TestSupport::offlinePost(clip, 2, { 180 }, { 30, 30 }));
        QVERIFY(harness.openStarted());
        AppModel& model = *harness.model;
        MainView window(&model);
        window.resize(MainView::defaultSize);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // The copied link comes with the line's end, which is dropped.
        harness.services.clipboard = TestSupport::postLink() + u"\n"_s;
        window.findChild<PlainButton*>(u"pasteLink"_s)->click();
        QVERIFY(model.analyzing() && model.link() == TestSupport::postLink());
        QTRY_VERIFY_WITH_TIMEOUT(window.findChild<CandidateRow*>(u"candidate-2"_s), 30000);
        QCOMPARE(text(window, u"chooserTitle"_s), u"Esta publicación tiene 2 videos"_s);
        CandidateRow* first = window.findChild<CandidateRow*>(u"candidate-1"_s);
        CandidateRow* second = window.findChild<CandidateRow*>(u"candidate-2"_s);
        QVERIFY(!window.findChild<QPushButton*>(u"download"_s)->isEnabled());

        QTest::mouseClick(second, Qt::LeftButton);
        QCOMPARE(QStringList({ model.info()->id, second->markSymbol(), first->markSymbol(),
                                 text(window, u"videoTitle"_s), text(window, u"videoSource"_s) })
                     .join(u'|'),
            u"102|checkmark.circle.fill|circle|Clip 2|Instagram · Brisomar"_s);

        auto* kind = window.findChild<SegmentedPicker*>(u"kindPicker"_s);
        QTest::mouseClick(kind, Qt::LeftButton, {}, kind->segmentRect(1).center());
        pick(window, u"formatPicker"_s, u"MP4 · compatible con Mac"_s);
        QTest::mouseClick(window.findChild<QPushButton*>(u"download"_s), Qt::LeftButton);
        QVERIFY(model.section() == Section::queue && model.pendingCount() == 1);
        QTRY_VERIFY_WITH_TIMEOUT(model.pendingCount() == 0, 120000);
        const DownloadJob saved = model.jobs().value(0);
        QVERIFY2(saved.state == JobState::completed && saved.fileAvailable(), qPrintable(saved.detail));
        QVERIFY2(saved.path->startsWith(harness.downloads() + u'/') && saved.path->endsWith(u".mp4"_s),
            qPrintable(*saved.path));

        QTest::mouseClick(window.findChild<QWidget*>(u"navLibrary"_s), Qt::LeftButton);
        auto* library = window.findChild<LibraryView*>();
        QVERIFY(library->isVisible() && library->rows()->rowCount() == 1);
        // Each opening of the player starts at the top and plays; hiding the sheet
        // pauses it, as does its button.
        const QRect row = library->list()->visualRect(library->rows()->index(0));
        const QPoint play = library->delegate()->partRect(row, saved, LibraryRowDelegate::Part::play).center();
        for (int opening = 1; opening <= 2; ++opening) {
            QTest::mouseClick(library->list()->viewport(), Qt::LeftButton, {}, play);
            QTRY_VERIFY(window.playerSheet());
            auto* player = qobject_cast<LocalPlayer*>(window.playerSheet()->content());
            QMediaPlayer* media = player->playback()->player();
            QCOMPARE(media->position(), 0);
            QTRY_VERIFY_WITH_TIMEOUT(media->position() > 200, 20000);
            QVERIFY(media->hasVideo() && media->error() == QMediaPlayer::NoError);
            auto* playPause = player->findChild<PlainButton*>(u"playPause"_s);
            QTest::mouseClick(playPause, Qt::LeftButton);
            QCOMPARE(media->playbackState(), QMediaPlayer::PausedState);
            QTest::mouseClick(playPause, Qt::LeftButton);
            QTRY_VERIFY(player->playback()->isPlaying());
            player->hide();
            QCOMPARE(media->playbackState(), QMediaPlayer::PausedState);
            window.findChild<QPushButton*>(u"closePlayer"_s)->click();
            QTRY_VERIFY(!model.previewJob() && !window.playerSheet());
        }
    }
};

WINDOW_TEST(WindowEndToEndTest);
#include "tst_window_endtoend.moc"
