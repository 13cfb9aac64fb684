// A new user's whole road through the window on local media: paste a link,
// analyse, pick a clip of the post, choose MP3 320, download, watch it in the
// queue, find it in the library and play it. With BRISOMAR_SNAPSHOTS set to a
// folder, every step is saved there in both schemes.
#include "AppHarness.h"
#include "CandidateRow.h"
#include "LibraryModel.h"
#include "LibraryRowDelegate.h"
#include "LibraryView.h"
#include "LocalPlayer.h"
#include "MainView.h"
#include "PlainButton.h"
#include "Playback.h"
#include "SheetDialog.h"
#include "Theme.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QListView>
#include <QMediaPlayer>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

void snapshot(QWidget& widget, const QString& step)
{
    const QString folder = qEnvironmentVariable("BRISOMAR_SNAPSHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    const std::optional<ColorScheme> preferred = Theme::instance().preferred();
    for (const ColorScheme scheme : { ColorScheme::light, ColorScheme::dark }) {
        Theme::instance().setPreferred(scheme);
        QCoreApplication::processEvents();
        widget.grab().save(
            QDir(folder).filePath(step + (scheme == ColorScheme::dark ? u"-dark.png"_s : u"-light.png"_s)));
    }
    Theme::instance().setPreferred(preferred);
}

void pick(QWidget& root, const QString& name, const QString& text)
{
    auto* picker = root.findChild<QComboBox*>(name);
    QVERIFY(picker);
    const int index = picker->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    picker->setCurrentIndex(index);
    Q_EMIT picker->activated(index);
}

} // namespace

class WindowRoadTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pasteAnalyseDownloadPlay();
};

void WindowRoadTest::pasteAnalyseDownloadPlay()
{
    AppHarness harness;
    harness.serve(TestSupport::offlinePost(harness.clip(), 2, { 240 }));
    QVERIFY(harness.openStarted());
    AppModel& model = *harness.model;
    QVERIFY(model.engineReady());

    MainView window(&model);
    window.resize(MainView::defaultSize);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    snapshot(window, u"1-new"_s);

    harness.services.clipboard = TestSupport::postLink();
    window.findChild<PlainButton*>(u"pasteLink"_s)->click();
    QVERIFY(model.analyzing());
    snapshot(window, u"2-analysing"_s);
    QTRY_VERIFY_WITH_TIMEOUT(window.findChild<CandidateRow*>(u"candidate-2"_s), 30000);
    snapshot(window, u"3-chooser"_s);

    QTest::mouseClick(window.findChild<CandidateRow*>(u"candidate-2"_s), Qt::LeftButton);
    pick(window, u"formatPicker"_s, u"MP3 · universal"_s);
    pick(window, u"qualityPicker"_s, u"320 kbps"_s);
    QCOMPARE(model.profile().bitrate, qint64(320));
    snapshot(window, u"4-chosen"_s);

    auto* download = window.findChild<QPushButton*>(u"download"_s);
    QVERIFY(download->isEnabled());
    QTest::mouseClick(download, Qt::LeftButton);
    QCOMPARE(model.section(), u"queue"_s);
    QCOMPARE(model.pendingCount(), 1);
    QTRY_VERIFY(model.active().has_value());
    snapshot(window, u"5-queue"_s);

    QTRY_VERIFY_WITH_TIMEOUT(model.pendingCount() == 0, 120000);
    const QList<DownloadJob> jobs = model.jobs();
    QCOMPARE(jobs.size(), 1);
    QVERIFY2(jobs.first().state == JobState::completed, qPrintable(jobs.first().detail));
    const DownloadJob saved = jobs.first();
    QCOMPARE(saved.video.id, u"102"_s);
    QVERIFY(saved.fileAvailable());
    QCOMPARE(QFileInfo(*saved.path).suffix(), u"mp3"_s);
    QVERIFY(QFileInfo(*saved.path).absolutePath().startsWith(harness.downloads()));
    snapshot(window, u"6-queue-done"_s);

    QTest::mouseClick(window.findChild<QWidget*>(u"navLibrary"_s), Qt::LeftButton);
    auto* library = window.findChild<LibraryView*>();
    QVERIFY(library && library->isVisible());
    QCOMPARE(library->rows()->rowCount(), 1);
    snapshot(window, u"7-library"_s);

    const QRect row = library->list()->visualRect(library->rows()->index(0));
    QTest::mouseClick(library->list()->viewport(), Qt::LeftButton, {},
        library->delegate()->partRect(row, saved, LibraryRowDelegate::Part::play).center());
    QTRY_VERIFY(window.playerSheet());
    auto* player = qobject_cast<LocalPlayer*>(window.playerSheet()->content());
    QVERIFY(player && player->playback());
    QTRY_VERIFY_WITH_TIMEOUT(player->playback()->player()->position() > 200, 20000);
    snapshot(*window.playerSheet(), u"8-playing"_s);

    window.findChild<QPushButton*>(u"closePlayer"_s)->click();
    QVERIFY(!model.previewJob());
}

QTEST_MAIN(WindowRoadTest)
#include "tst_windowroad.moc"
