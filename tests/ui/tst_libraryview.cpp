#include "AppHarness.h"
#include "EmptyState.h"
#include "LibraryModel.h"
#include "LibraryView.h"
#include "OpenedUrls.h"
#include "SegmentedPicker.h"
#include "TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Part = LibraryRowDelegate::Part;

namespace {

struct Library
{
    AppHarness harness;
    std::unique_ptr<LibraryView> view;

    bool open(const QList<DownloadJob>& jobs)
    {
        if (!harness.writeHistory(jobs) || !harness.openReady())
            return false;
        view = std::make_unique<LibraryView>(harness.model.get());
        view->resize(880, 700);
        view->show();
        return QTest::qWaitForWindowExposed(view.get());
    }
    AppModel& model() { return *harness.model; }
    QString folder() { return harness.downloads(); }
    QStringList titles() const
    {
        QStringList shown;
        for (int row = 0; row < view->rows()->rowCount(); ++row)
            shown.append(view->rows()->jobAt(row).video.title);
        return shown;
    }
    QPoint part(int row, Part which) const
    {
        const QRect rect = view->list()->visualRect(view->rows()->index(row));
        return view->delegate()->partRect(rect, view->rows()->jobAt(row), which).center();
    }
    void click(int row, Part which)
    {
        QTest::mouseClick(view->list()->viewport(), Qt::LeftButton, {}, part(row, which));
    }
    QMenu* openMenu(int row)
    {
        click(row, Part::more);
        // A menu closed before may still wait for its deletion.
        for (QMenu* menu : view->findChildren<QMenu*>(u"libraryRowMenu"_s))
            if (menu->isVisible())
                return menu;
        return nullptr;
    }
};

QList<DownloadJob> sampleJobs(const QString& folder)
{
    return {
        finishedJob(folder, u"aaaaaaaaaaa"_s, u"Concierto en Vivo"_s, u"banda norte"_s, DownloadKind::video, 3),
        finishedJob(folder, u"bbbbbbbbbbb"_s, u"Podcast semanal"_s, u"Radio Sur"_s, DownloadKind::audio, 2),
        finishedJob(folder, u"ccccccccccc"_s, u"Clase de guitarra"_s, u"Profe JUAN"_s, DownloadKind::audio, 1),
    };
}

} // namespace

class LibraryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void filtering_data();
    void filtering();
    void emptyStates();
    void filtersLiveInTheModel();
    void missingFile();
    void fileGoneWhileShown();
    void menu();
    void keyboardAndAssistiveTools();
    void fiveHundredJobs();
};

void LibraryTest::filtering_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("titles");

    const QStringList all = { u"Concierto en Vivo"_s, u"Podcast semanal"_s, u"Clase de guitarra"_s };
    QTest::newRow("capitals find small letters")
        << u"CONCIERTO EN vivo"_s << u"all"_s << QStringList { u"Concierto en Vivo"_s };
    QTest::newRow("a match in the author alone") << u"juan"_s << u"all"_s << QStringList { u"Clase de guitarra"_s };
    QTest::newRow("title and author read as one text")
        << u"guitarra profe"_s << u"all"_s << QStringList { u"Clase de guitarra"_s };
    QTest::newRow("Audio hides video that the search matches") << u"concierto"_s << u"audio"_s << QStringList {};
    QTest::newRow("Video alone") << QString() << u"video"_s << QStringList { u"Concierto en Vivo"_s };
    QTest::newRow("one blank keeps every job") << u" "_s << u"all"_s << all;
    QTest::newRow("the search is not trimmed") << u" podcast"_s << u"all"_s << QStringList {};
}

void LibraryTest::filtering()
{
    QFETCH(QString, search);
    QFETCH(QString, kind);
    QFETCH(QStringList, titles);

    QStringList kept;
    for (const DownloadJob& job : LibraryModel::filtered(sampleJobs(u"/tmp/brisomar-unused"_s), search, kind))
        kept.append(job.video.title);
    QCOMPARE(kept, titles);
}

void LibraryTest::emptyStates()
{
    Library empty;
    QVERIFY(empty.open({}));
    auto* state = child<EmptyState>(*empty.view, u"libraryEmpty"_s);
    QVERIFY(state->isVisible());
    QTest::mouseClick(state->button(), Qt::LeftButton);
    QCOMPARE(empty.model().section(), u"new"_s);

    Library hidden;
    QVERIFY(hidden.open(sampleJobs(hidden.folder())));
    state = child<EmptyState>(*hidden.view, u"libraryEmpty"_s);
    QVERIFY(!state->isVisible());
    hidden.model().setLibrarySearch(u"zzz"_s);
    QVERIFY(state->isVisible());
    QCOMPARE(state->title(), u"No hay coincidencias."_s);
    QCOMPARE(state->description(), u"Probá otro nombre o cambiá el filtro."_s);
    hidden.model().setLibrarySearch(QString());
    QVERIFY(!state->isVisible());
    QCOMPARE(hidden.titles().size(), 3);
}

void LibraryTest::filtersLiveInTheModel()
{
    Library library;
    QVERIFY(library.open(sampleJobs(library.folder())));
    auto* search = child<QLineEdit>(*library.view, u"librarySearch"_s);

    QTest::keyClicks(search, u"RADIO"_s);
    QCOMPARE(library.model().librarySearch(), u"RADIO"_s);
    QCOMPARE(library.titles(), QStringList { u"Podcast semanal"_s });

    auto* kind = child<SegmentedPicker>(*library.view, u"libraryKind"_s);
    QTest::mouseClick(kind, Qt::LeftButton, {}, kind->segmentRect(2).center());
    QCOMPARE(library.model().libraryKind(), u"video"_s);
    QVERIFY(library.titles().isEmpty());

    library.model().setLibrarySearch(QString());
    library.model().setLibraryKind(u"all"_s);
    QCOMPARE(search->text(), QString());
    QCOMPARE(kind->value(), u"all"_s);
}

void LibraryTest::missingFile()
{
    Library library;
    QVERIFY(library.open(
        { finishedJob(library.folder(), u"aaaaaaaaaaa"_s, u"Se fue"_s, u"A"_s, DownloadKind::audio, 1, false),
            finishedJob(library.folder(), u"bbbbbbbbbbb"_s, u"Sigue"_s, u"B"_s, DownloadKind::audio, 0) }));
    QCOMPARE(library.titles(), (QStringList { u"Se fue"_s, u"Sigue"_s }));

    // Play and reveal are disabled: a click does nothing at all.
    library.click(0, Part::play);
    library.click(0, Part::reveal);
    QVERIFY(!library.model().previewJob());
    QVERIFY(library.harness.services.revealed.isEmpty());
    QVERIFY(!library.model().banner());
    QVERIFY(!LibraryRowDelegate::partEnabled(library.view->rows()->jobAt(0), Part::play));

    // A gone file can be downloaded again; one still there cannot.
    for (const auto& [row, enabled] : { std::pair { 0, true }, std::pair { 1, false } }) {
        QMenu* menu = library.openMenu(row);
        QVERIFY(menu && menu->isVisible());
        QCOMPARE(menu->findChild<QAction*>(u"downloadAgain"_s)->isEnabled(), enabled);
        menu->close();
    }
    // The row of the gone file says so, and is taller for it.
    QVERIFY(library.view->list()->visualRect(library.view->rows()->index(0)).height()
        > library.view->list()->visualRect(library.view->rows()->index(1)).height());
}

void LibraryTest::fileGoneWhileShown()
{
    Library library;
    const DownloadJob job = finishedJob(library.folder(), u"aaaaaaaaaaa"_s, u"Uno"_s, u"A"_s, DownloadKind::audio, 1);
    QVERIFY(library.open({ job }));
    const int before = library.view->list()->visualRect(library.view->rows()->index(0)).height();
    QVERIFY(QFile::remove(*job.path));
    library.view->list()->viewport()->repaint();
    QTRY_VERIFY(library.view->list()->visualRect(library.view->rows()->index(0)).height() > before);
    library.click(0, Part::play);
    QVERIFY(!library.model().previewJob());
}

void LibraryTest::menu()
{
    Library library;
    QVERIFY(library.open(
        { finishedJob(library.folder(), u"aaaaaaaaaaa"_s, u"Uno"_s, u"A"_s, DownloadKind::video, 1, true, 720),
            finishedJob(library.folder(), u"bbbbbbbbbbb"_s, u"Dos"_s, u"B"_s, DownloadKind::audio, 0) }));
    OpenedUrls opened;
    for (const QString& scheme : { u"https"_s, u"http"_s, u"file"_s })
        QDesktopServices::setUrlHandler(scheme, &opened, "open");

    QMenu* menu = library.openMenu(1);
    QVERIFY(menu);
    QStringList items;
    for (const QAction* action : menu->actions())
        items.append(action->isSeparator() ? u"-"_s : action->text());
    QCOMPARE(items, (QStringList { u"Ver en YouTube"_s, u"Volver a descargar"_s, u"-"_s, u"Quitar del historial"_s }));
    menu->findChild<QAction*>(u"openPage"_s)->trigger();
    QCOMPARE(opened.urls, QList { QUrl(library.view->rows()->jobAt(1).video.url()) });
    menu->close();

    // A page address that is not a web page opens nothing.
    DownloadJob odd = library.view->rows()->jobAt(0);
    odd.video.sourceURL = u"file:///etc/passwd"_s;
    std::unique_ptr<QMenu> oddMenu(library.view->makeMenu(odd));
    oddMenu->findChild<QAction*>(u"openPage"_s)->trigger();
    QCOMPARE(opened.urls.size(), 1);

    library.openMenu(0)->findChild<QAction*>(u"removeFromLibrary"_s)->trigger();
    QCOMPARE(library.titles(), QStringList { u"Dos"_s });
    QCOMPARE(library.model().jobs().size(), 1);
    for (const QString& scheme : { u"https"_s, u"http"_s, u"file"_s })
        QDesktopServices::unsetUrlHandler(scheme);
}

// Arrows choose the row, Tab walks its buttons with a visible focus, and each
// button is an accessible control with its own name and press action.
void LibraryTest::keyboardAndAssistiveTools()
{
    Library library;
    QVERIFY(library.open(sampleJobs(library.folder())));
    QListView* list = library.view->list();
    library.view->activateWindow();
    list->setFocus(Qt::TabFocusReason);
    QVERIFY(list->currentIndex().isValid());
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentIndex().row(), 1);
    const QString path = *library.view->rows()->jobAt(1).path;

    const std::pair<Part, QString> actions[]
        = { { Part::play, u"Reproducir"_s }, { Part::reveal, u"Mostrar en Finder"_s }, { Part::more, u"Más acciones"_s } };
    for (const auto& [part, name] : actions) {
        QAbstractButton* button = library.view->actionButton(part);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), button);
        QVERIFY(list->visualRect(list->currentIndex()).contains(button->geometry()));
        // The focus ring is drawn in the accent.
        const QImage seen = button->grab().toImage();
        int accent = 0;
        for (int y = 0; y < seen.height(); ++y)
            for (int x = 0; x < seen.width(); ++x)
                accent += seen.pixelColor(x, y).red() > 200 && seen.pixelColor(x, y).green() < 150;
        QVERIFY2(accent > 10, qPrintable(name));

        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(button);
        QVERIFY(control && control->actionInterface());
        QCOMPARE(control->text(QAccessible::Name), name);
        QCOMPARE(control->role(), QAccessible::Button);
        QVERIFY(control->state().focused);
    }
    QTest::keyClick(library.view->actionButton(Part::more), Qt::Key_Space);
    QMenu* menu = nullptr;
    for (QMenu* open : library.view->findChildren<QMenu*>(u"libraryRowMenu"_s))
        menu = open->isVisible() ? open : menu;
    QVERIFY(menu);
    menu->close();
    QAccessible::queryAccessibleInterface(library.view->actionButton(Part::reveal))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    // A press through the accessible action is an animated click.
    QTRY_COMPARE(library.harness.services.revealed, QStringList { path });
    QAccessible::queryAccessibleInterface(library.view->actionButton(Part::play))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(library.model().previewJob());
    QCOMPARE(library.model().previewJob()->id, library.view->rows()->jobAt(1).id);
}

void LibraryTest::fiveHundredJobs()
{
    Library library;
    QList<DownloadJob> jobs;
    for (int i = 0; i < 500; ++i)
        jobs.append(finishedJob(library.folder(), u"job%1"_s.arg(i, 8, 10, QLatin1Char('0')),
            u"Video número %1 con un título de largo razonable"_s.arg(i), u"Autor %1"_s.arg(i % 7),
            i % 2 ? DownloadKind::audio : DownloadKind::video, i, i % 10 != 0,
            i % 2 ? std::nullopt : std::optional<qint64>(1080)));
    QVERIFY(library.open(jobs));
    QListView* list = library.view->list();
    QCOMPARE(library.view->rows()->rowCount(), 500);
    // Rows are drawn, not built: the screen holds the same few widgets for any number of jobs.
    QVERIFY2(library.view->findChildren<QWidget*>().size() < 60,
        qPrintable(QString::number(library.view->findChildren<QWidget*>().size())));

    QScrollBar* bar = list->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    // Removing one keeps the list where it is: rows go away, the list is not rebuilt.
    bar->setValue(bar->maximum() / 2);
    const int position = bar->value();
    QSignalSpy resets(library.view->rows(), &QAbstractItemModel::modelReset);
    QSignalSpy removed(library.view->rows(), &QAbstractItemModel::rowsRemoved);
    library.model().remove(library.view->rows()->jobAt(0));
    QCOMPARE(library.view->rows()->rowCount(), 499);
    QCOMPARE(resets.size(), 0);
    QCOMPARE(removed.size(), 1);
    QVERIFY(qAbs(bar->value() - position) < list->viewport()->height());
}

QTEST_MAIN(LibraryTest)
#include "tst_libraryview.moc"
