#pragma once

#include "DesktopServices.h"

#include <QList>
#include <QStringList>
#include <QUrl>

// Records what the model asked of the desktop and answers from scripted values.
class FakeDesktopServices : public DesktopServices
{
public:
    struct Alert
    {
        QString message;
    };

    std::optional<QString> clipboard;
    // The chooser's answer; nothing is the user cancelling.
    std::optional<QString> chosenFolder;

    // The folder each chooser started in.
    QStringList folderRequests;
    QList<QUrl> opened;
    QStringList revealed;
    QList<Alert> alerts;

    std::optional<QString> clipboardText() override { return clipboard; }
    std::optional<QString> chooseFolder(const QString& start, const QString&, const QString&) override
    {
        folderRequests.append(start);
        return chosenFolder;
    }
    bool openUrl(const QUrl& url) override
    {
        opened.append(url);
        return true;
    }
    void revealFile(const QString& path) override { revealed.append(path); }
    void openWithExternalPlayer(const QString&) override { }
    void alert(const QString& message, const QString&, const QString&) override { alerts.append({ message }); }
};
