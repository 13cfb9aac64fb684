#pragma once

#include "DesktopServices.h"

#include <QPointer>
#include <QWidget>

// The desktop as the application model sees it, on Qt and the freedesktop
// services: the clipboard, a folder chooser, the default applications, the file
// manager and VLC. Dialogs are modal to the window given with setWindow().
class QtDesktopServices : public DesktopServices
{
public:
    QtDesktopServices() = default;

    void setWindow(QWidget* window) { m_window = window; }

    std::optional<QString> clipboardText() override;
    std::optional<QString> chooseFolder(
        const QString& start, const QString& buttonText, const QString& message) override;
    bool openUrl(const QUrl& url) override;
    // Asks the file manager over D-Bus without waiting for it; when none answers,
    // the folder opens instead.
    void revealFile(const QString& path) override;
    void openWithExternalPlayer(const QString& path) override;
    void alert(const QString& message, const QString& informative, const QString& button) override;

    // The VLC program on the search path, or nothing.
    static std::optional<QString> vlcProgram();

private:
    QPointer<QWidget> m_window;
};
