#include "OpenedUrls.h"
#include "QtDesktopServices.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <sys/types.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// A private session bus for this test, so that the file manager can be played.
pid_t busPid = 0;

bool startPrivateBus()
{
    FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
    if (!out)
        return false;
    char address[512] = {};
    char pid[32] = {};
    const bool read = fgets(address, sizeof address, out) && fgets(pid, sizeof pid, out);
    pclose(out);
    if (!read)
        return false;
    busPid = pid_t(QByteArray(pid).trimmed().toLong());
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray(address).trimmed());
    return busPid > 0;
}

} // namespace

// Plays the desktop's file manager on the private bus.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shown;

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&) { shown += uris; }
};

class DesktopServicesTest : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        if (!startPrivateBus())
            qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/brisomar-test-bus");
    }

private Q_SLOTS:
    void init();
    void cleanup();
    void cleanupTestCase();
    void reveal_data();
    void reveal();
    void externalPlayer_data();
    void externalPlayer();

private:
    OpenedUrls m_opened;
};

void DesktopServicesTest::init()
{
    m_opened.urls.clear();
    QDesktopServices::setUrlHandler(u"file"_s, &m_opened, "open");
}

void DesktopServicesTest::cleanup()
{
    QDesktopServices::unsetUrlHandler(u"file"_s);
}

void DesktopServicesTest::cleanupTestCase()
{
    if (busPid > 0)
        ::kill(busPid, SIGTERM);
}

void DesktopServicesTest::reveal_data()
{
    QTest::addColumn<bool>("fileManager");
    QTest::newRow("the file manager shows the file") << true;
    QTest::newRow("without a file manager the folder opens") << false;
}

void DesktopServicesTest::reveal()
{
    QFETCH(bool, fileManager);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        QSKIP("no dbus-daemon to make a private session bus (package dbus-daemon)");

    QTemporaryDir dir;
    const QString file = dir.filePath(u"Canción #1.mp3"_s);
    QVERIFY(TestSupport::writeFile(file, "x"));
    FakeFileManager manager;
    if (fileManager) {
        QVERIFY(bus.registerObject(u"/org/freedesktop/FileManager1"_s, &manager, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(u"org.freedesktop.FileManager1"_s));
    }

    QtDesktopServices services;
    services.revealFile(file);
    if (fileManager) {
        QTRY_COMPARE(manager.shown, QStringList { QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) });
        QVERIFY(m_opened.urls.isEmpty());
        bus.unregisterService(u"org.freedesktop.FileManager1"_s);
        bus.unregisterObject(u"/org/freedesktop/FileManager1"_s);
    } else {
        QTRY_COMPARE(m_opened.urls, QList { QUrl::fromLocalFile(dir.path()) });
    }
}

void DesktopServicesTest::externalPlayer_data()
{
    QTest::addColumn<bool>("vlc");
    QTest::newRow("VLC when it is on the path") << true;
    QTest::newRow("else the default application") << false;
}

void DesktopServicesTest::externalPlayer()
{
    QFETCH(bool, vlc);

    QTemporaryDir bin;
    QTemporaryDir media;
    const QString file = media.filePath(u"-video raro.mkv"_s);
    QVERIFY(TestSupport::writeFile(file, "x"));
    const QString record = bin.filePath(u"arguments"_s);
    if (vlc) {
        // VLC is no part of the machine; a stand-in records how it was called.
        const QString script = bin.filePath(u"vlc"_s);
        QVERIFY(TestSupport::writeFile(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.toUtf8() + "'\n"));
        QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8());

    QtDesktopServices services;
    QCOMPARE(QtDesktopServices::vlcProgram().has_value(), vlc);
    services.openWithExternalPlayer(file);
    qputenv("PATH", path);
    if (vlc) {
        QTRY_VERIFY(QFileInfo::exists(record) && QFileInfo(record).size() > 0);
        QCOMPARE(TestSupport::readFile(record), file.toUtf8() + '\n');
        QVERIFY(m_opened.urls.isEmpty());
    } else {
        QCOMPARE(m_opened.urls, QList { QUrl::fromLocalFile(file) });
    }
}

QTEST_MAIN(DesktopServicesTest)
#include "tst_desktopservices.moc"
