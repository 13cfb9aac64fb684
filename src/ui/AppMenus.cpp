#include "AppDelegate.h"

#include "AlertLook.h"
#include "AppModel.h"
#include "AppUpdates.h"
#include "FocusLinkNotifier.h"
#include "MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>

// The menu bar and the commands it gives that are not about ending the program.

using namespace Qt::Literals::StringLiterals;

namespace {

// The edit commands go to whichever text field has the focus, as they would
// on a platform whose menus talk to the first responder.
void forwardToFocus(const char* method)
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return;
    const QByteArray signature = QByteArray(method) + "()";
    if (focus->metaObject()->indexOfMethod(signature.constData()) >= 0)
        QMetaObject::invokeMethod(focus, method);
}

} // namespace

void AppDelegate::buildMenus()
{
    QMenuBar* bar = m_window->menuBar();
    const auto add = [this](QMenu* menu, const QString& name, const QString& text, const QKeySequence& keys,
                         auto&& command, QAction::MenuRole role = QAction::NoRole) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        action->setShortcut(keys);
        action->setMenuRole(role);
        connect(action, &QAction::triggered, this, command);
        return action;
    };

    // The application menu carries the application's name where menus have titles.
    QMenu* application = bar->addMenu(u"Brisomar"_s);
    application->setObjectName(u"menuApplication"_s);
    add(application, u"actionAbout"_s, u"Acerca de Brisomar"_s, {}, &AppDelegate::about, QAction::AboutRole);
    application->addSeparator();
    add(application, u"actionCheckUpdates"_s, u"Buscar actualizaciones…"_s, {}, &AppDelegate::checkUpdates,
        QAction::ApplicationSpecificRole);
    add(application, u"actionPreferences"_s, u"Preferencias…"_s, QKeySequence(u"Ctrl+,"_s), &AppDelegate::preferences,
        QAction::PreferencesRole);
    application->addSeparator();
    add(application, u"actionHide"_s, u"Ocultar Brisomar"_s, QKeySequence(u"Ctrl+H"_s),
        [this] { m_window->showMinimized(); });
    application->addSeparator();
    add(application, u"actionQuit"_s, u"Salir de Brisomar"_s, QKeySequence(u"Ctrl+Q"_s), &AppDelegate::quit,
        QAction::QuitRole);

    QMenu* file = bar->addMenu(u"Archivo"_s);
    file->setObjectName(u"menuFile"_s);
    add(file, u"actionNewDownload"_s, u"Nueva descarga"_s, QKeySequence(u"Ctrl+N"_s), &AppDelegate::newDownload);
    add(file, u"actionGoToLink"_s, u"Ir al enlace"_s, QKeySequence(u"Ctrl+L"_s), &AppDelegate::newDownload);
    add(file, u"actionPasteLink"_s, u"Pegar y analizar enlace"_s, QKeySequence(u"Ctrl+Shift+V"_s),
        &AppDelegate::pasteLink);
    file->addSeparator();
    add(file, u"actionOpenFolder"_s, u"Abrir carpeta de descargas"_s, QKeySequence(u"Ctrl+O"_s),
        &AppDelegate::openFolder);

    QMenu* edit = bar->addMenu(u"Edición"_s);
    edit->setObjectName(u"menuEdit"_s);
    const struct
    {
        QString name;
        QString text;
        QString keys;
        const char* method;
    } editing[] = {
        { u"actionUndo"_s, u"Deshacer"_s, u"Ctrl+Z"_s, "undo" },
        { u"actionRedo"_s, u"Rehacer"_s, u"Ctrl+Shift+Z"_s, "redo" },
        { u"actionCut"_s, u"Cortar"_s, u"Ctrl+X"_s, "cut" },
        { u"actionCopy"_s, u"Copiar"_s, u"Ctrl+C"_s, "copy" },
        { u"actionPaste"_s, u"Pegar"_s, u"Ctrl+V"_s, "paste" },
        { u"actionSelectAll"_s, u"Seleccionar todo"_s, u"Ctrl+A"_s, "selectAll" },
    };
    for (const auto& entry : editing)
        add(edit, entry.name, entry.text, QKeySequence(entry.keys),
            [method = entry.method] { forwardToFocus(method); });

    QMenu* windows = bar->addMenu(u"Ventana"_s);
    windows->setObjectName(u"menuWindow"_s);
    add(windows, u"actionMinimize"_s, u"Minimizar"_s, QKeySequence(u"Ctrl+M"_s), [this] { m_window->showMinimized(); });
}

void AppDelegate::about()
{
    if (m_about) {
        m_about->raise();
        m_about->activateWindow();
        return;
    }
    auto* panel = new QMessageBox(m_window.get());
    panel->setObjectName(u"aboutPanel"_s);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowTitle(u"Acerca de Brisomar"_s);
    panel->setTextFormat(Qt::PlainText);
    panel->setText(u"Brisomar\nVersión "_s + m_model->updates()->version());
    panel->setInformativeText(u"Tu downloader local para Mac.\nAudio, video y tu biblioteca, en un solo lugar."_s);
    panel->setStandardButtons(QMessageBox::Ok);
    dressAlert(*panel);
    panel->setWindowModality(Qt::NonModal);
    m_about = panel;
    panel->show();
}

void AppDelegate::checkUpdates()
{
    m_model->updates()->check();
}

void AppDelegate::preferences()
{
    m_model->setSettings(true);
}

void AppDelegate::newDownload()
{
    m_model->setSection(Section::newDownload);
    if (m_window) {
        if (m_window->isMinimized())
            m_window->showNormal();
        m_window->raise();
        m_window->activateWindow();
    }
    // Posted once the new-download screen is on display, so that it is there to hear it.
    QTimer::singleShot(focusDelay, Qt::PreciseTimer, this, [] { FocusLinkNotifier::instance().post(); });
}

void AppDelegate::pasteLink()
{
    m_model->setSection(Section::newDownload);
    m_model->paste();
}

void AppDelegate::openFolder()
{
    m_model->openFolder();
}
