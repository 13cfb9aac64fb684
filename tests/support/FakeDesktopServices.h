#pragma once

#include "DesktopServices.h"

#include <QStringList>

// Answers the clipboard from a scripted value and records the files shown; the
// folder chooser is always cancelled.
class FakeDesktopServices : public DesktopServices
{
public:
    std::optional<QString> clipboard;
    QStringList revealed;

    std::optional<QString> clipboardText() override { return clipboard; }
    std::optional<QString> chooseFolder(const QString&, const QString&, const QString&) override { return {}; }
    bool openUrl(const QUrl&) override { return true; }
    void revealFile(const QString& path) override { revealed.append(path); }
    void openWithExternalPlayer(const QString&) override { }
    void alert(const QString&, const QString&, const QString&) override { }
};
