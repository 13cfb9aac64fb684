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

    OpenedUrls m_opened;

private Q_SLOTS:
    void init()
    {
        m_opened.urls.clear();
        QDesktopServices::setUrlHandler(u"file"_s, &m_opened, "open");
    }
    void cleanup() { QDesktopServices::unsetUrlHandler(u"file"_s); }

    void externalPlayer_data()
    {
        QTest::addColumn<bool>("vlc");
        QTest::newRow("VLC when it is on the path") << true;
        QTest::newRow("else the default application") << false;
    }

    // A file name that reads as an option reaches the player as a file.
    void externalPlayer()
    {
        QFETCH(bool, vlc);
        QTemporaryDir bin;
        const QString file = bin.filePath(u"-video raro.mkv"_s);
        QVERIFY(TestSupport::writeFile(file, "x"));
        const QString record = bin.filePath(u"arguments"_s);
        if (vlc) {
            const QString script = bin.filePath(u"vlc"_s);
            QVERIFY(TestSupport::writeFile(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.toUtf8() + "'\n"));
            QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner));
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8());
        QtDesktopServices().openWithExternalPlayer(file);
        qputenv("PATH", path);
        if (vlc)
            QTRY_COMPARE(TestSupport::readFile(record), file.toUtf8() + '\n');
        QCOMPARE(m_opened.urls, vlc ? QList<QUrl>() : QList { QUrl::fromLocalFile(file) });
    }
};

WINDOW_TEST(DesktopServicesTest);
#include "tst_desktopservices.moc"
