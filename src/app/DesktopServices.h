#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// What the application model asks of the desktop: the window implements it
// with the toolkit, tests and headless runs with stand-ins. Called on the main
// thread only; the modal ones return once the user answered.
class DesktopServices
{
public:
    virtual ~DesktopServices() = default;

    // The plain text the user copied, or nothing when the clipboard holds none.
    virtual std::optional<QString> clipboardText() = 0;
    // A modal chooser of one folder (new folders allowed) that starts in `start`
    // when it is not empty. Nothing when the user cancels.
    virtual std::optional<QString> chooseFolder(const QString& start, const QString& buttonText, const QString& message)
        = 0;
    // A page in the browser, a folder in the file viewer, a file in its default application.
    virtual bool openUrl(const QUrl& url) = 0;
    // Shows the folder of `path` in the file viewer with the file selected.
    virtual void revealFile(const QString& path) = 0;
    // Opens a file the built-in player cannot play: in VLC when installed, else
    // in the default application.
    virtual void openWithExternalPlayer(const QString& path) = 0;
    // A modal alert with one button.
    virtual void alert(const QString& message, const QString& informative, const QString& button) = 0;
};
