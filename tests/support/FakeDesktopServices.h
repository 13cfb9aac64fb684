#pragma once

#include "DesktopServices.h"

#include <QList>
#include <QStringList>
#include <QUrl>

// Records what the model asked of the desktop and answers from scripted values.
class FakeDesktopServices : public DesktopServices
{
public:
    struct FolderRequest
    {
        QString start;
        QString buttonText;
        QString message;
    };
    struct Alert
    {
        QString message;
        QString informative;
        QString button;
    };

    std::optional<QString> clipboard;
    // The chooser's answer; nothing is the user cancelling.
    std::optional<QString> chosenFolder;

    QList<FolderRequest> folderRequests;
    QList<QUrl> opened;
    QStringList revealed;
    QStringList externallyPlayed;
    QList<Alert> alerts;

    std::optional<QString> clipboardText() override { return clipboard; }
    std::optional<QString> chooseFolder(
        const QString& start, const QString& buttonText, const QString& message) override
    {
        folderRequests.append({ start, buttonText, message });
        return chosenFolder;
    }
    bool openUrl(const QUrl& url) override
    {
        opened.append(url);
        return true;
    }
    void revealFile(const QString& path) override { revealed.append(path); }
    void openWithExternalPlayer(const QString& path) override { externallyPlayed.append(path); }
    void alert(const QString& message, const QString& informative, const QString& button) override
    {
        alerts.append({ message, informative, button });
    }
};
