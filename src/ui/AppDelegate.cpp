#include "AppDelegate.h"

#include "AlertLook.h"
#include "AppModel.h"
#include "AppUpdates.h"
#include "BrisPaths.h"
#include "FirstFrameReport.h"
#include "FocusLinkNotifier.h"
#include "InstanceLock.h"
#include "InstanceServer.h"
#include "MainView.h"
#include "MainWindow.h"
#include "QtDesktopServices.h"

#include <QAction>
#include <QApplication>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>

#include <csignal>
#include <cstdio>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Swallows what the user does with keys, pointer and menus: the application is
// ending and must not start anything new in its last moments.
class InputGate final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Drop:
            return true;
        default:
            return false;
        }
    }
};

} // namespace

AppDelegate::AppDelegate(const QStringList& arguments, std::shared_ptr<Engine> engine,
    std::unique_ptr<DesktopServices> services, QObject* parent)
    : QObject(parent)
    , m_arguments(arguments)
    , m_services(std::move(services))
{
    if (!m_services) {
        auto desktop = std::make_unique<QtDesktopServices>();
        m_desktop = desktop.get();
        m_services = std::move(desktop);
    }
    m_model = std::make_unique<AppModel>(std::move(engine), m_services.get());
}

AppDelegate::~AppDelegate()
{
    // The window's views refer to the model: they go first.
    m_window.reset();
    m_model.reset();
}

QAction* AppDelegate::action(const QString& name) const
{
    return m_window ? m_window->menuBar()->findChild<QAction*>(name) : nullptr;
}

void AppDelegate::launch()
{
    // Qt's own buttons and dialogs speak the window's language.
    m_qtTexts = std::make_unique<QTranslator>();
    if (m_qtTexts->load(u"qtbase_es"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(m_qtTexts.get());

    m_window = std::make_unique<MainWindow>();
    m_window->setObjectName(u"mainWindow"_s);
    m_window->setWindowTitle(u"Brisomar"_s);
    m_window->setWindowIcon(appIcon());
    m_view = new MainView(m_model.get());
    m_window->setCentralWidget(m_view);
    m_window->setCloseRequest([this] { quit(); });
    if (m_desktop)
        m_desktop->setWindow(m_window.get());
    buildMenus();
    restoreGeometry();
    if (m_arguments.contains(u"--first-frame"_s))
        m_window->installEventFilter(new FirstFrameReport(m_window.get()));

    m_window->show();
    m_window->raise();
    m_window->activateWindow();

    m_model->start();

    // Ended by other means than the menus (a session ending), the model still
    // records its pending jobs as interrupted.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (!m_shutDown) {
            m_shutDown = true;
            m_model->shutdown();
        }
        saveGeometry();
    });

    if (const std::optional<QString> link = linkArgument(m_arguments))
        openLink(*link);

    if (const std::optional<QString> path = snapshotPath(m_arguments))
        QTimer::singleShot(snapshotDelay, Qt::PreciseTimer, this, [this, path = *path] { saveSnapshot(path); });
}

void AppDelegate::receive(const QStringList& arguments)
{
    if (m_quitting)
        return;
    if (m_window) {
        if (m_window->isMinimized())
            m_window->showNormal();
        m_window->raise();
        m_window->activateWindow();
    }
    if (const std::optional<QString> link = linkArgument(arguments))
        openLink(*link);
}

void AppDelegate::openLink(const QString& link)
{
    m_model->setSection(Section::newDownload);
    if (m_model->engineReady()) {
        m_model->pasteLink(link);
        return;
    }
    // Shown at once; analysed when the engine check has passed, unless the user
    // has typed something else meanwhile.
    m_model->setLink(link.trimmed());
    auto* waiting = new QObject(this);
    connect(m_model.get(), &AppModel::engineStateChanged, waiting, [this, waiting, link = m_model->link()] {
        if (m_model->engineChecking())
            return;
        if (m_model->engineReady() && m_model->link() == link)
            m_model->pasteLink(link);
        waiting->deleteLater();
    });
}

std::optional<QString> AppDelegate::linkArgument(const QStringList& arguments)
{
    for (qsizetype at = 1; at < arguments.size(); ++at) {
        if (arguments[at] == u"--snapshot"_s)
            ++at;
        else if (!arguments[at].startsWith(u'-'))
            return arguments[at];
    }
    return std::nullopt;
}

std::optional<QString> AppDelegate::snapshotPath(const QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(u"--snapshot"_s);
    if (at < 0 || at + 1 >= arguments.size())
        return std::nullopt;
    return arguments.at(at + 1);
}

bool AppDelegate::saveSnapshot(const QString& path) const
{
    if (!m_view)
        return false;
    return m_view->grab().save(path, "PNG");
}

AppDelegate::TerminateReply AppDelegate::shouldTerminate()
{
    if (m_model->pendingCount() >= 1) {
        QMessageBox alert(m_window.get());
        alert.setObjectName(u"quitAlert"_s);
        alert.setWindowTitle(u"Brisomar"_s);
        alert.setTextFormat(Qt::PlainText);
        alert.setText(u"¿Cerrar Brisomar?"_s);
        alert.setInformativeText(
            u"Las descargas pendientes se interrumpirán. Podés reintentarlas al volver a abrir la app."_s);
        QPushButton* keep = alert.addButton(u"Seguir descargando"_s, QMessageBox::RejectRole);
        keep->setObjectName(u"keepDownloading"_s);
        QPushButton* close = alert.addButton(u"Cerrar app"_s, QMessageBox::AcceptRole);
        close->setObjectName(u"closeApp"_s);
        alert.setDefaultButton(keep);
        alert.setEscapeButton(keep);
        dressAlert(alert);
        alert.exec();
        if (alert.clickedButton() != close)
            return TerminateReply::cancel;
    }
    return closeDown();
}

AppDelegate::TerminateReply AppDelegate::closeDown()
{
    // Read before the shutdown, which stops the work it looks at.
    const bool working = m_model->active().has_value() || m_model->analyzing();
    // Nothing the user does from here on may start a job or an analysis.
    refuseInput();
    m_shutDown = true;
    m_model->shutdown();
    return working ? TerminateReply::later : TerminateReply::now;
}

void AppDelegate::quit()
{
    if (!m_quitting)
        end(shouldTerminate());
}

void AppDelegate::terminate()
{
    if (!m_quitting)
        end(closeDown());
}

void AppDelegate::end(TerminateReply reply)
{
    switch (reply) {
    case TerminateReply::cancel:
        return;
    case TerminateReply::now:
        m_quitting = true;
        finishTerminating();
        return;
    case TerminateReply::later:
        // The cancelled tools get time to stop before the process ends.
        m_quitting = true;
        QTimer::singleShot(quitDelay, Qt::PreciseTimer, this, &AppDelegate::finishTerminating);
        return;
    }
}

void AppDelegate::refuseInput()
{
    if (m_inputGate)
        return;
    m_inputGate = new InputGate(this);
    qApp->installEventFilter(m_inputGate);
}

void AppDelegate::finishTerminating()
{
    saveGeometry();
    Q_EMIT terminating();
    // Not quit(): in Qt 6 it asks every window to close first and gives up when
    // one refuses, and the main window refuses every close, which comes here.
    QCoreApplication::exit(0);
}

void AppDelegate::saveGeometry() const
{
    if (m_window)
        QSettings().setValue(QLatin1StringView(frameName), m_window->saveGeometry());
}

void AppDelegate::restoreGeometry()
{
    const QByteArray saved = QSettings().value(QLatin1StringView(frameName)).toByteArray();
    if (!saved.isEmpty() && m_window->restoreGeometry(saved))
        return;
    // The content area, below the menu bar, gets the default size.
    m_window->resize(
        MainView::defaultSize.width(), MainView::defaultSize.height() + m_window->menuBar()->sizeHint().height());
    if (const QScreen* screen = m_window->screen()) {
        QRect frame = m_window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
}

int AppDelegate::run(int argc, char* argv[])
{
    // Qt 6.4's FFmpeg media backend crashes on a machine without an audio device.
    if (!qEnvironmentVariableIsSet("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    QApplication application(argc, argv);
    QApplication::setApplicationName(u"Brisomar"_s);
    QApplication::setOrganizationName(u"Brisomar"_s);
    QApplication::setApplicationVersion(QStringLiteral(BRISOMAR_VERSION));
    QGuiApplication::setDesktopFileName(u"brisomar"_s);
    QApplication::setWindowIcon(appIcon());
    // Closing the window goes through the quit sequence, which ends the application.
    QApplication::setQuitOnLastWindowClosed(false);

    // One window per data folder: a later start hands its arguments to the
    // window that holds the folder, which comes to the front, and ends.
    const QString data = BrisPaths().data();
    const InstanceLock lock(data);
    const QString door = InstanceLock::serverName(data);
    if (lock.state() == InstanceLock::State::busy) {
        if (InstanceServer::handOver(door, QApplication::arguments()))
            return 0;
        const QByteArray refusal = InstanceLock::refusal(data).toUtf8() + '\n';
        std::fputs(refusal.constData(), stderr);
        return 1;
    }

    AppDelegate delegate(QApplication::arguments());
    // SIGTERM (a session ending, `kill`) ends the program as its menu does,
    // saving what is being typed; the handler only wakes the event loop.
    static int termination[2] = { -1, -1 };
    std::optional<QSocketNotifier> terminated;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, termination) == 0) {
        terminated.emplace(termination[1], QSocketNotifier::Read);
        connect(&*terminated, &QSocketNotifier::activated, &delegate, [&] {
            terminated->setEnabled(false);
            delegate.terminate();
        });
        struct sigaction action = {};
        action.sa_handler = [](int) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t written = ::write(termination[0], &byte, 1);
        };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &action, nullptr);
    }
    InstanceServer server;
    if (lock.state() == InstanceLock::State::held)
        server.listen(door);
    connect(&server, &InstanceServer::received, &delegate, &AppDelegate::receive);
    delegate.launch();
    QApplication::exec();
    return 0;
}
