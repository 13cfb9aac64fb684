#include "LibraryModel.h"
#include "LibraryView.h"
#include "OpenedUrls.h"
#include "Window.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QListView>
#include <QMenu>

using namespace Qt::Literals::StringLiterals;
using Part = LibraryRowDelegate::Part;

namespace {

struct Library : Window::Open<LibraryView>
{
    void click(int row, Part which)
    {
        const QRect rect = view->list()->visualRect(view->rows()->index(row));
        QTest::mouseClick(view->list()->viewport(), Qt::LeftButton, {},
            view->delegate()->partRect(rect, view->rows()->jobAt(row), which).center());
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

class LibraryViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void filtering_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("titles");

        const QStringList all = { u"Concierto en Vivo"_s, u"Podcast semanal"_s, u"Clase de guitarra"_s };
        QTest::newRow("capitals find small letters") << u"CONCIERTO EN vivo"_s << u"all"_s << all.mid(0, 1);
        QTest::newRow("title and author read as one text") << u"guitarra profe juan"_s << u"all"_s << all.mid(2);
        QTest::newRow("Audio hides video that the search matches") << u"concierto"_s << u"audio"_s << QStringList {};
        QTest::newRow("one blank keeps every job") << u" "_s << u"all"_s << all;
        QTest::newRow("the search is not trimmed") << u" podcast"_s << u"all"_s << QStringList {};
    }

    void filtering()
    {
        QFETCH(QString, search);
        QFETCH(QString, kind);
        QFETCH(QStringList, titles);
        QStringList kept;
        for (const DownloadJob& job : LibraryModel::filtered(sampleJobs(u"/tmp/brisomar-unused"_s), search, *fromRawValue<LibraryKind>(kind)))
            kept.append(job.video.title);
        QCOMPARE(kept, titles);
    }

    // A gone file cannot be played nor shown, only downloaded again, also when it
    // goes while shown. The menu opens web pages only.
    void rowsAndTheirMenu()
    {
        Library library;
        const QString folder = library.harness.downloads();
        QVERIFY(
            library.open({ finishedJob(folder, u"aaaaaaaaaaa"_s, u"Se fue"_s, u"A"_s, DownloadKind::audio, 1, false),
                finishedJob(folder, u"bbbbbbbbbbb"_s, u"Sigue"_s, u"B"_s, DownloadKind::audio, 0) }));
        library.click(0, Part::play);
        library.click(0, Part::reveal);
        QVERIFY(
            !library.model().previewJob() && !library.model().banner() && library.harness.services.revealed.isEmpty());

        OpenedUrls opened;
        const QStringList schemes = { u"https"_s, u"http"_s, u"file"_s };
        for (const QString& scheme : schemes)
            QDesktopServices::setUrlHandler(scheme, &opened, "open");
        QStringList items;
        for (const int row : { 0, 1 }) {
            QMenu* menu = library.openMenu(row);
            for (const QAction* action : menu->actions())
                items.append(
                    action->isSeparator() ? u"-"_s : action->text() + (action->isEnabled() ? u""_s : u" (no)"_s));
            if (row == 1)
                menu->findChild<QAction*>(u"openPage"_s)->trigger();
            menu->close();
        }
        QCOMPARE(items.join(u", "_s),
            u"Ver en YouTube, Volver a descargar, -, Quitar del historial, "
            u"Ver en YouTube, Volver a descargar (no), -, Quitar del historial"_s);
        QCOMPARE(opened.urls, QList { QUrl(library.view->rows()->jobAt(1).video.url()) });
        DownloadJob odd = library.view->rows()->jobAt(0);
        odd.video.sourceURL = u"file:///etc/passwd"_s;
        std::unique_ptr<QMenu>(library.view->makeMenu(odd))->findChild<QAction*>(u"openPage"_s)->trigger();
        QCOMPARE(opened.urls.size(), 1);
        for (const QString& scheme : schemes)
            QDesktopServices::unsetUrlHandler(scheme);

        library.openMenu(0)->findChild<QAction*>(u"removeFromLibrary"_s)->trigger();
        QVERIFY(library.view->rows()->rowCount() == 1 && library.model().jobs().size() == 1);
        QCOMPARE(library.view->rows()->jobAt(0).video.title, u"Sigue"_s);
        QVERIFY(QFile::remove(*library.view->rows()->jobAt(0).path));
        library.click(0, Part::play);
        QVERIFY(!library.model().previewJob());
    }

    // Arrows choose the row, Tab walks its buttons, and each button is an
    // accessible control with its own name and press action.
    void keyboardAndAssistiveTools()
    {
        Library library;
        QVERIFY(library.open(sampleJobs(library.harness.downloads())));
        QListView* list = library.view->list();
        library.view->activateWindow();
        list->setFocus(Qt::TabFocusReason);
        QTest::keyClick(list, Qt::Key_Down);

        const std::pair<Part, QString> actions[] = { { Part::play, u"Reproducir"_s },
            { Part::reveal, u"Mostrar en Finder"_s }, { Part::more, u"Más acciones"_s } };
        for (const auto& [part, name] : actions) {
            QAbstractButton* button = library.view->actionButton(part);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), button);
            QVERIFY(list->visualRect(list->currentIndex()).contains(button->geometry()));
            QAccessibleInterface* control = QAccessible::queryAccessibleInterface(button);
            QVERIFY(control && control->actionInterface() && control->state().focused);
            QCOMPARE(control->text(QAccessible::Name), name);
            QCOMPARE(control->role(), QAccessible::Button);
        }
        // A press through the accessible action is an animated click.
        QAccessible::queryAccessibleInterface(library.view->actionButton(Part::play))
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(library.model().previewJob());
        QCOMPARE(library.model().previewJob()->id, library.view->rows()->jobAt(1).id);
    }
};

WINDOW_TEST(LibraryViewTest);
#include "tst_libraryview.moc"
