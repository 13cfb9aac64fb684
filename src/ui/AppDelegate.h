#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

class AppModel;
class DesktopServices;
class Engine;
class MainView;
class MainWindow;
class QAction;
class QMessageBox;
class QTranslator;
class QtDesktopServices;

// The windowed application: it owns the model and the window, builds the menu
// bar, routes the menu commands to the model, shows the about panel, takes the
// "--snapshot" picture and runs the quit sequence, which asks before it
// interrupts downloads and ends the event loop itself, past any window's veto.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    // May the application end: no, now, or after the quit delay.
    enum class TerminateReply { cancel, now, later };

    static constexpr std::chrono::milliseconds quitDelay { 2200 };
    static constexpr std::chrono::milliseconds snapshotDelay { 3000 };
    static constexpr std::chrono::milliseconds focusDelay { 100 };
    // Where the window's position and size are remembered.
    static constexpr const char* frameName = "BrisomarMainWindow";

    // A null engine is the default one; null services are the desktop's own.
    explicit AppDelegate(const QStringList& arguments, std::shared_ptr<Engine> engine = {},
        std::unique_ptr<DesktopServices> services = {}, QObject* parent = nullptr);
    ~AppDelegate() override;

    AppModel* model() const { return m_model.get(); }
    MainWindow* window() const { return m_window.get(); }
    MainView* mainView() const { return m_view; }
    // A menu bar action by its object name ("actionQuit", ...).
    QAction* action(const QString& name) const;

    // Builds the window and the menus, shows them and starts the model.
    void launch();

    // Menu commands.
    void about();
    void checkUpdates();
    void preferences();
    void newDownload();
    void pasteLink();
    void openFolder();

    // The quit sequence: asks when downloads are pending, shuts the model down
    // and answers whether the application may end now or a little later.
    TerminateReply shouldTerminate();
    // Runs the sequence and ends the application when it may.
    void quit();
    // The sequence without the question: the system asked the program to end (SIGTERM).
    void terminate();
    bool isQuitting() const { return m_quitting; }

    // The window comes to the front and opens the link among `arguments`, if
    // any: what a later start on the same data folder hands over.
    void receive(const QStringList& arguments);
    // The link is pasted into the link field and analysed once the engine is ready.
    void openLink(const QString& link);
    // The first argument that is neither an option nor the snapshot's path.
    static std::optional<QString> linkArgument(const QStringList& arguments);

    // The path that follows "--snapshot", if any.
    static std::optional<QString> snapshotPath(const QStringList& arguments);
    // The window's content as a PNG at `path`.
    bool saveSnapshot(const QString& path) const;

    // The windowed program: main's branch when no headless mode was asked for.
    static int run(int argc, char* argv[]);

Q_SIGNALS:
    // The application is about to end: its event loop is told to stop next.
    void terminating();

private:
    void buildMenus();
    TerminateReply closeDown();
    void end(TerminateReply reply);
    void refuseInput();
    void finishTerminating();
    void saveGeometry() const;
    void restoreGeometry();

    QStringList m_arguments;
    std::unique_ptr<DesktopServices> m_services;
    QtDesktopServices* m_desktop = nullptr;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<MainWindow> m_window;
    MainView* m_view = nullptr;
    QPointer<QMessageBox> m_about;
    QObject* m_inputGate = nullptr;
    std::unique_ptr<QTranslator> m_qtTexts;
    bool m_quitting = false;
    bool m_shutDown = false;
};
