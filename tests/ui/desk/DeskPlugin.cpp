// Someone at the desk, for the tests that watch the real program end: a generic
// input plugin, which Qt loads into the unchanged program when told to
// (QT_PLUGIN_PATH and QT_QPA_GENERIC_PLUGINS=brisomardesk:<scenario>). Like a
// keyboard, a pointer or a window manager, it hands its events to Qt's
// window-system input path; nothing of the program is replaced.
//
// Scenarios: "menu" picks "Salir de Brisomar" in the menu bar with the pointer,
// "keys" presses Ctrl+Q, "close" closes the window as a window manager would,
// "alert" pastes a link, starts its download, presses Ctrl+Q and clicks "Cerrar
// app", then clicks the interrupted download's retry button and pastes again. "quitting" goes to standard
// output just before the step that ends the program.
#include <QApplication>
#include <QClipboard>
#include <QGenericPlugin>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <functional>
#include <optional>

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

void click(QWidget* widget, std::optional<QPoint> at = std::nullopt)
{
    QWidget* window = widget->window();
    QTest::mouseClick(
        window->windowHandle(), Qt::LeftButton, {}, widget->mapTo(window, at.value_or(widget->rect().center())));
}

void keys(const QString& sequence)
{
    QTest::keySequence(shown(u"mainWindow"_s)->windowHandle(), QKeySequence(sequence));
}

void announce()
{
    std::fputs("quitting\n", stdout);
    std::fflush(stdout);
}

// One step: wait until `ready` holds, then act.
struct Step
{
    std::function<bool()> ready;
    std::function<void()> act;
};

class Desk : public QObject
{
public:
    explicit Desk(const QString& scenario)
    {
        const auto always = [] { return true; };
        m_steps.append({ [] { return shown(u"mainWindow"_s) && shown(u"Motor local listo"_s, true); }, [] {} });
        if (scenario == u"menu"_s) {
            m_steps.append({ always, [] {
                                auto* bar = shown(u"mainWindow"_s)->findChild<QMenuBar*>();
                                auto* menu = bar->findChild<QMenu*>(u"menuApplication"_s);
                                click(bar, bar->actionGeometry(menu->menuAction()).center());
                            } });
            m_steps.append({ [] { return shown(u"menuApplication"_s); },
                [] {
                    auto* menu = static_cast<QMenu*>(shown(u"menuApplication"_s));
                    announce();
                    click(menu, menu->actionGeometry(menu->findChild<QAction*>(u"actionQuit"_s)).center());
                } });
        } else if (scenario == u"keys"_s) {
            m_steps.append({ always, [] {
                                announce();
                                keys(u"Ctrl+Q"_s);
                            } });
        } else if (scenario == u"close"_s) {
            m_steps.append({ always, [] {
                                announce();
                                shown(u"mainWindow"_s)->windowHandle()->close();
                            } });
        } else if (scenario == u"alert"_s) {
            const auto pasteLink = [] {
                QGuiApplication::clipboard()->setText(u"https://youtu.be/abcdefghijk"_s);
                keys(u"Ctrl+Shift+V"_s);
            };
            m_steps.append({ always, pasteLink });
            m_steps.append({ [] { return shown(u"download"_s) && shown(u"download"_s)->isEnabled(); },
                [] { click(shown(u"download"_s)); } });
            // The queue is shown; the quit waits until the download reports progress.
            m_steps.append({ [] {
                                auto* percent = qobject_cast<QLabel*>(shown(u"jobPercent"_s));
                                return percent && percent->text() != u"0%"_s;
                            },
                [] { keys(u"Ctrl+Q"_s); } });
            m_steps.append({ [] { return shown(u"closeApp"_s); },
                [] {
                    announce();
                    click(shown(u"closeApp"_s));
                } });
            // The program is ending: what the user does now must start nothing,
            // neither the interrupted download again nor a new analysis.
            m_steps.append(
                { [] { return !shown(u"closeApp"_s) && shown(u"retryJob"_s); }, [] { click(shown(u"retryJob"_s)); } });
            m_steps.append({ always, pasteLink });
        }
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_next < m_steps.size() && m_steps[m_next].ready()) {
                // Where a stuck scenario stopped, for whoever reads the test's log.
                std::fprintf(stderr, "desk: step %d\n", int(m_next));
                // Acted on apart from this timer: an alert's own event loop may
                // run inside the act, and this timer must keep ticking in it.
                QTimer::singleShot(0, this, m_steps[m_next++].act);
            }
        });
        m_timer.start();
    }

private:
    QList<Step> m_steps;
    qsizetype m_next = 0;
    QTimer m_timer;
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
