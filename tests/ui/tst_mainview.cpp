#include "AppHarness.h"
#include "Badge.h"
#include "BannerView.h"
#include "EngineCapsule.h"
#include "LibraryView.h"
#include "LocalPlayer.h"
#include "MainView.h"
#include "NavigationEntry.h"
#include "NewDownloadView.h"
#include "Pixels.h"
#include "PlainButton.h"
#include "QueueView.h"
#include "SectionHeader.h"
#include "SettingsView.h"
#include "Sidebar.h"
#include "StyledLabel.h"
#include "Surface.h"
#include "SymbolView.h"
#include "Theme.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// A window over a ready model.
struct Window
{
    AppHarness harness;
    std::unique_ptr<MainView> view;

    bool open()
    {
        if (!harness.openReady())
            return false;
        view = std::make_unique<MainView>(harness.model.get());
        view->resize(MainView::defaultSize);
        view->show();
        return QTest::qWaitForWindowExposed(view.get());
    }
    AppModel& model() { return *harness.model; }
};

Badge* badgeOf(MainView& view, const QString& section)
{
    return view.sidebar()->entry(section)->badge();
}

} // namespace

class MainViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void sectionSwitching_data();
    void sectionSwitching();
    void badges_data();
    void badges();
    void banner_data();
    void banner();
    void folderBlock();
    void settingsSheet();
    void playerSheet();
};

void MainViewTest::cleanup()
{
    Theme::instance().setPreferred(std::nullopt);
}

void MainViewTest::sectionSwitching_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("click");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("title");

    QTest::newRow("sidebar to the queue")
        << u"new"_s << u"navQueue"_s << u"queue"_s << u"queueView"_s << u"queue"_s << u"Tu cola"_s;
    QTest::newRow("sidebar to the library")
        << u"queue"_s << u"navLibrary"_s << u"library"_s << u"libraryView"_s << u"library"_s << u"Descargados"_s;
    QTest::newRow("sidebar back to a new download")
        << u"library"_s << u"navNew"_s << u"new"_s << u"newDownloadView"_s << u"new"_s << u"Nueva descarga"_s;
    QTest::newRow("an unknown section reads as the library")
        << u"new"_s << QString() << u"elsewhere"_s << u"libraryView"_s << u"library"_s << u"Descargados"_s;
}

void MainViewTest::sectionSwitching()
{
    QFETCH(QString, from);
    QFETCH(QString, click);
    QFETCH(QString, section);
    QFETCH(QString, screen);
    QFETCH(QString, selected);
    QFETCH(QString, title);

    Window window;
    QVERIFY(window.open());
    window.model().setSection(from);
    if (click.isEmpty())
        window.model().setSection(section);
    else
        QTest::mouseClick(child(*window.view, click), Qt::LeftButton);

    QCOMPARE(window.model().section(), section);
    QCOMPARE(window.view->currentScreen()->objectName(), screen);
    QVERIFY(window.view->currentScreen()->isVisible());
    QCOMPARE(child<QLabel>(*window.view, u"headerTitle"_s)->text(), title);
    for (const QString& entry : { u"new"_s, u"queue"_s, u"library"_s })
        QCOMPARE(window.view->sidebar()->entry(entry)->isSelected(), entry == selected);
}

void MainViewTest::badges_data()
{
    QTest::addColumn<int>("queued");
    QTest::addColumn<QList<JobState>>("history");
    QTest::addColumn<int>("queueBadge");
    QTest::addColumn<int>("libraryBadge");

    QTest::newRow("no jobs, no badges") << 0 << QList<JobState> {} << 0 << 0;
    QTest::newRow("three queued and one completed") << 3 << QList { JobState::completed } << 3 << 1;
    QTest::newRow("ended jobs count nowhere")
        << 0 << QList { JobState::failed, JobState::cancelled, JobState::interrupted } << 0 << 0;
}

void MainViewTest::badges()
{
    QFETCH(int, queued);
    QFETCH(QList<JobState>, history);
    QFETCH(int, queueBadge);
    QFETCH(int, libraryBadge);

    Window window;
    QList<DownloadJob> jobs;
    for (int i = 0; i < history.size(); ++i) {
        const QString id = u"hist%1aaaaa"_s.arg(i, 2, 10, QLatin1Char('0'));
        jobs.append(history[i] == JobState::completed
                ? finishedJob(window.harness.downloads(), id, u"Hecho"_s, u"A"_s, DownloadKind::audio, i)
                : endedJob(window.harness.downloads(), id, u"Otro"_s, history[i], u"detalle"_s, i));
    }
    QVERIFY(window.harness.writeHistory(jobs));
    QVERIFY(window.open());
    for (int i = 0; i < queued; ++i)
        QVERIFY(window.harness.enqueue(u"queued%1aaaa"_s.arg(i), u"En cola"_s));

    for (const auto& [section, count] :
        { std::pair { u"queue"_s, queueBadge }, std::pair { u"library"_s, libraryBadge } }) {
        Badge* badge = badgeOf(*window.view, section);
        QCOMPARE(badge->isVisible(), count > 0);
        if (count > 0)
            QCOMPARE(badge->text(), QString::number(count));
    }
    QVERIFY(!badgeOf(*window.view, u"new"_s)->isVisible());
}

void MainViewTest::banner_data()
{
    QTest::addColumn<bool>("error");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<Tone>("tone");

    QTest::newRow("an outcome shows the green check") << false << u"checkmark.circle.fill"_s << Tone::green;
    QTest::newRow("an error shows the coral sign") << true << u"exclamationmark.circle.fill"_s << Tone::coral;
}

void MainViewTest::banner()
{
    QFETCH(bool, error);
    QFETCH(QString, symbol);
    QFETCH(Tone, tone);

    Window window;
    QVERIFY(window.open());
    BannerView* banner = window.view->banner();
    const QRect area = window.view->rect();
    QVERIFY(!banner->isVisible());

    window.model().show(u"Listo."_s, error);
    QVERIFY(banner->isVisible());
    QCOMPARE(banner->text(), u"Listo."_s);
    QCOMPARE(banner->icon()->symbol(), symbol);
    QCOMPARE(banner->icon()->color(), Theme::instance().color(tone));
    // Centred, 20 above the bottom, over everything else.
    const int shortWidth = banner->width();
    QCOMPARE(banner->geometry().bottom(), area.bottom() - BannerView::bottomMargin);
    QVERIFY(qAbs(banner->geometry().center().x() - area.center().x()) <= 1);
    QWidget* top = window.view->childAt(banner->geometry().center());
    QVERIFY(top == banner || banner->isAncestorOf(top));

    // A long text wraps within the widest banner; a narrow window keeps 30 each side.
    window.model().show(u"Una explicación larga del problema. "_s.repeated(12), error);
    QCOMPARE(banner->width(), BannerView::maxWidth);
    QVERIFY(shortWidth < BannerView::maxWidth);
    window.view->resize(MainView::minimumSize);
    QTRY_COMPARE(banner->width(), qMin(BannerView::maxWidth, MainView::minimumSize.width() - 60));

    QTest::mouseClick(banner->closeButton(), Qt::LeftButton);
    QVERIFY(!window.model().banner());
    QVERIFY(!banner->isVisible());
}

void MainViewTest::folderBlock()
{
    Window window;
    const QString folder = window.harness.downloads() + u"/una carpeta con un nombre bastante largo/Brisomar"_s;
    qputenv("BRISOMAR_DOWNLOAD_DIR", folder.toUtf8());
    QVERIFY(window.open());
    auto* button = child<PlainButton>(*window.view, u"folderButton"_s);
    QCOMPARE(button->text(), u"Brisomar"_s);
    QCOMPARE(button->toolTip(), folder);

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(window.harness.services.opened, QList { QUrl::fromLocalFile(folder) });
    QTest::mouseClick(child(*window.view, u"changeFolder"_s), Qt::LeftButton);
    QCOMPARE(window.harness.services.folderRequests.size(), 1);

    // A chosen folder shows at once.
    window.harness.services.chosenFolder = window.harness.downloads() + u"/Otra"_s;
    QTest::mouseClick(child(*window.view, u"changeFolder"_s), Qt::LeftButton);
    QCOMPARE(button->text(), u"Otra"_s);
}

void MainViewTest::settingsSheet()
{
    Window window;
    QVERIFY(window.open());
    QTest::mouseClick(child(*window.view, u"preferences"_s), Qt::LeftButton);
    QVERIFY(window.model().settings());
    QPointer<SheetDialog> sheet = window.view->settingsSheet();
    QVERIFY(sheet && sheet->isVisible());
    QVERIFY(sheet->isModal());
    QVERIFY(qobject_cast<SettingsView*>(sheet->content()));

    // Escape, the window manager or the sheet's own button: the model follows.
    sheet->reject();
    QVERIFY(!window.model().settings());
    QTRY_VERIFY(!sheet);

    // And the other way round.
    window.model().setSettings(true);
    sheet = window.view->settingsSheet();
    QVERIFY(sheet && sheet->isVisible());
    window.model().setSettings(false);
    QVERIFY(!window.view->settingsSheet());
    QTRY_VERIFY(!sheet);
    QVERIFY(!window.model().settings());
}

void MainViewTest::playerSheet()
{
    Window window;
    QVERIFY(window.open());
    const DownloadJob first
        = finishedJob(window.harness.downloads(), u"aaaaaaaaaaa"_s, u"Primero"_s, u"A"_s, DownloadKind::audio, 1);
    const DownloadJob second
        = finishedJob(window.harness.downloads(), u"bbbbbbbbbbb"_s, u"Segundo"_s, u"B"_s, DownloadKind::audio, 2);

    window.model().setPreviewJob(first);
    QPointer<SheetDialog> sheet = window.view->playerSheet();
    QVERIFY(sheet && sheet->isVisible());
    QCOMPARE(sheet->windowTitle(), u"Primero"_s);
    QVERIFY(qobject_cast<LocalPlayer*>(sheet->content()));

    // Another job gets a player of its own.
    window.model().setPreviewJob(second);
    QTRY_VERIFY(!sheet);
    sheet = window.view->playerSheet();
    QCOMPARE(sheet->windowTitle(), u"Segundo"_s);

    sheet->reject();
    QVERIFY(!window.model().previewJob());
    QTRY_VERIFY(!sheet);
}

QTEST_MAIN(MainViewTest)
#include "tst_mainview.moc"
