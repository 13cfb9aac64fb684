#include "QtDesktopServices.h"

#include "AlertLook.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

std::optional<QString> QtDesktopServices::clipboardText()
{
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

std::optional<QString> QtDesktopServices::chooseFolder(
    const QString& start, const QString& buttonText, const QString& message)
{
    QFileDialog dialog(m_window, message, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, buttonText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.first();
}

bool QtDesktopServices::openUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

void QtDesktopServices::revealFile(const QString& path)
{
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QDesktopServices::openUrl(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(u"org.freedesktop.FileManager1"_s,
        u"/org/freedesktop/FileManager1"_s, u"org.freedesktop.FileManager1"_s, u"ShowItems"_s);
    call << QStringList { QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) } << QString();
    // Waiting here would freeze the window while a file manager starts.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 10'000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [folder](QDBusPendingCallWatcher* done) {
        if (done->isError())
            QDesktopServices::openUrl(folder);
        done->deleteLater();
    });
}

std::optional<QString> QtDesktopServices::vlcProgram()
{
    const QString found = QStandardPaths::findExecutable(u"vlc"_s);
    if (found.isEmpty())
        return std::nullopt;
    return found;
}

void QtDesktopServices::openWithExternalPlayer(const QString& path)
{
    if (const std::optional<QString> vlc = vlcProgram()) {
        // An absolute path never reads as one of VLC's options.
        if (QProcess::startDetached(*vlc, { QFileInfo(path).absoluteFilePath() }))
            return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void QtDesktopServices::alert(const QString& message, const QString& informative, const QString& button)
{
    QMessageBox box(m_window);
    box.setTextFormat(Qt::PlainText);
    box.setText(message);
    box.setInformativeText(informative);
    QPushButton* only = box.addButton(button, QMessageBox::AcceptRole);
    box.setDefaultButton(only);
    box.setEscapeButton(only);
    dressAlert(box);
    box.exec();
}
