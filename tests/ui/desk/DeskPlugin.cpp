// Someone at the desk, for the tests that watch the real program end: a generic
// input plugin, which Qt loads into the unchanged program when told to
// (QT_PLUGIN_PATH and QT_QPA_GENERIC_PLUGINS=brisomardesk:<scenario>). Like a
// keyboard, a pointer or a window manager, it hands its events to Qt's
// window-system input path; nothing of the program is replaced.
//
// Each run first writes out the link field's text ("link: ..."), and, but for
// "alert", types a link into the field just before the way out.
// Scenarios: "menu" picks "Salir de Brisomar" in the menu bar with the pointer,
// "keys" presses Ctrl+Q, "close" closes the window as a window manager would,
// "term" leaves the ending to the test (SIGTERM),
// "alert" pastes a link, starts its download, presses Ctrl+Q, writes out the
// alert and keeps downloading, presses Ctrl+Q again and clicks "Cerrar
// app", then clicks the interrupted download's retry button and pastes again.
// "quitting" goes to standard output just before the step that ends the program.
#include <QApplication>
#include <QClipboard>
#include <QGenericPlugin>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <functional>
#include <string_view>

using namespace Qt::Literals::StringLiterals;

namespace {

// The widget named `name` (object name, or accessible name when `accessible`), shown on an exposed window.
QWidget* shown(const QString& name, bool accessible = false)
{
    for (QWidget* widget : QApplication::allWidgets())
        if ((accessible ? widget->accessibleName() : widget->objectName()) == name && widget->isVisible()
            && widget->window()->windowHandle() && widget->window()->windowHandle()->isExposed())
            return widget;
    return nullptr;
}

void click(QWidget* widget, const QRect& part = {})
{
    QWidget* window = widget->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
        widget->mapTo(window, (part.isValid() ? part : widget->rect()).center()));
}

void keys(const QString& sequence)
{
    QTest::keySequence(shown(u"mainWindow"_s)->windowHandle(), QKeySequence(sequence));
}

// One step: wait until `ready` holds, then act; "quitting" goes out first when
// the act ends the program.
struct Step
{
    std::function<bool()> ready;
    std::function<void()> act;
    bool ending = false;
};

QList<Step> steps(const QString& scenario)
{
    const auto always = [] { return true; };
    const auto pasteLink = [] {
        QGuiApplication::clipboard()->setText(u"https://youtu.be/abcdefghijk"_s);
        keys(u"Ctrl+Shift+V"_s);
    };
    QList<Step> all = { { [] { return shown(u"mainWindow"_s) && shown(u"Motor local listo"_s, true); },
        [] {
            const QString link = static_cast<QLineEdit*>(shown(u"linkField"_s))->text();
            std::fputs((u"link: "_s + link + u'\n').toUtf8().constData(), stdout);
            std::fflush(stdout);
        } } };
    // Typed keys go through the window system's queue; closing the window does not.
    const auto typedIn
        = [] { return static_cast<QLineEdit*>(shown(u"linkField"_s))->text() == u"https://youtu.be/zyxwvutsrqp"_s; };
    if (scenario != u"alert"_s)
        all += { { always,
                     [] {
                         click(shown(u"linkField"_s));
                         // Over whatever the field holds, as a new link is usually typed.
                         QTest::keyClick(shown(u"mainWindow"_s)->windowHandle(), 'a', Qt::ControlModifier);
                         for (const char key : std::string_view("https://youtu.be/zyxwvutsrqp"))
                             QTest::keyClick(shown(u"mainWindow"_s)->windowHandle(), key);
                     } },
            { typedIn, [] {} } };
    if (scenario == u"menu"_s)
        all += { { always,
                     [] {
                         auto* bar = shown(u"mainWindow"_s)->findChild<QMenuBar*>();
                         click(bar, bar->actionGeometry(bar->findChild<QMenu*>(u"menuApplication"_s)->menuAction()));
                     } },
            { [] { return shown(u"menuApplication"_s); },
                [] {
                    auto* menu = static_cast<QMenu*>(shown(u"menuApplication"_s));
                    click(menu, menu->actionGeometry(menu->findChild<QAction*>(u"actionQuit"_s)));
                },
                true } };
    else if (scenario == u"keys"_s)
        all.append({ always, [] { keys(u"Ctrl+Q"_s); }, true });
    else if (scenario == u"close"_s)
        all.append({ always, [] { shown(u"mainWindow"_s)->windowHandle()->close(); }, true });
    else if (scenario == u"term"_s)
        all.append({ always, [] {}, true });
    else if (scenario == u"alert"_s)
        // The quit waits until the download reports progress; the first alert is
        // answered "Seguir descargando", which must change nothing. Once the
        // program is ending, neither the retry nor a new paste may start anything.
        all += { { always, pasteLink },
            { [] { return shown(u"download"_s) && shown(u"download"_s)->isEnabled(); },
                [] { click(shown(u"download"_s)); } },
            { [] {
                 auto* percent = qobject_cast<QLabel*>(shown(u"jobPercent"_s));
                 return percent && percent->text() != u"0%"_s;
             },
                [] { keys(u"Ctrl+Q"_s); } },
            { [] { return shown(u"keepDownloading"_s); },
                [] {
                    auto* alert = static_cast<QMessageBox*>(shown(u"quitAlert"_s));
                    const QStringList parts = { alert->text(), alert->informativeText(), alert->defaultButton()->text(),
                        alert->findChild<QPushButton*>(u"closeApp"_s)->text() };
                    std::fputs((u"alert: "_s + parts.join(u'|') + u'\n').toUtf8().constData(), stdout);
                    click(shown(u"keepDownloading"_s));
                } },
            // As a window manager does, the main window gets the keyboard back.
            { [] { return !shown(u"quitAlert"_s); }, [] { shown(u"mainWindow"_s)->activateWindow(); } },
            { [] { return QApplication::activeWindow() == shown(u"mainWindow"_s); }, [] { keys(u"Ctrl+Q"_s); } },
            { [] { return shown(u"closeApp"_s); }, [] { click(shown(u"closeApp"_s)); }, true },
            { [] { return !shown(u"closeApp"_s) && shown(u"retryJob"_s); }, [] { click(shown(u"retryJob"_s)); } },
            { always, pasteLink } };
    return all;
}

class Desk : public QTimer
{
public:
    explicit Desk(const QString& scenario)
        : m_steps(steps(scenario))
    {
        connect(this, &QTimer::timeout, this, [this] {
            if (m_next == m_steps.size() || !m_steps[m_next].ready())
                return;
            // Where a stuck scenario stopped, for whoever reads the test's log.
            std::fprintf(stderr, "desk: step %d\n", int(m_next));
            if (m_steps[m_next].ending) {
                std::fputs("quitting\n", stdout);
                std::fflush(stdout);
            }
            // Acted on apart from this timer: an alert's own event loop may run
            // inside the act, and this timer must keep ticking in it.
            QTimer::singleShot(0, this, m_steps[m_next++].act);
        });
        start(20);
    }

private:
    QList<Step> m_steps;
    qsizetype m_next = 0;
};

} // namespace

class DeskPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "desk.json")

public:
    QObject* create(const QString&, const QString& scenario) override { return new Desk(scenario); }
};

#include "DeskPlugin.moc"
