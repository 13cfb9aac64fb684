#include "OpenedUrls.h"
#include "QtDesktopServices.h"
#include "Window.h"

#include <QDesktopServices>

using namespace Qt::Literals::StringLiterals;

// The external player as the program reaches it: the file viewer is played by
// the test and VLC by a script on the path.
class DesktopServicesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The default application without VLC; with it, VLC alone, and a file name
    // that reads as an option reaches it as a file.
    void externalPlayer()
    {
        OpenedUrls opened;
        QDesktopServices::setUrlHandler(u"file"_s, &opened, "open");
        QTemporaryDir bin;
        const QString file = bin.filePath(u"-video raro.mkv"_s);
        const QString record = bin.filePath(u"arguments"_s);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8());
        QtDesktopServices().openWithExternalPlayer(file);
        const QString vlc = bin.filePath(u"vlc"_s);
        QVERIFY(TestSupport::writeFile(vlc, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.toUtf8() + "'\n"));
        QVERIFY(QFile::setPermissions(vlc, QFile::ReadOwner | QFile::ExeOwner));
        QtDesktopServices().openWithExternalPlayer(file);
        qputenv("PATH", path);
        QDesktopServices::unsetUrlHandler(u"file"_s);
        QTRY_COMPARE(TestSupport::readFile(record), file.toUtf8() + '\n');
        QCOMPARE(opened.urls, QList { QUrl::fromLocalFile(file) });
    }
};

WINDOW_TEST(DesktopServicesTest);
#include "tst_desktopservices.moc"
