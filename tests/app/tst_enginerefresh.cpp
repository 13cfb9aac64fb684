#include "AppHarness.h"
#include "EngineRefresh.h"
#include "SigningKey.h"
#include "UserEngine.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThreadPool>

#include <sys/mount.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString newVersion = u"2099.01.02"_s;
const QString videoLink = u"https://www.youtube.com/watch?v=abcdefghijk"_s;

bool run(const QString& program, const QStringList& args, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(program, args);
    const bool done
        = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (output)
        *output = process.readAllStandardOutput();
    if (!done)
        qWarning() << program << args << process.readAllStandardError();
    return done;
}

// A release as yt-dlp publishes one, served over plain http on this machine:
// /latest redirects to the tag, /download/<tag>/<file> serves the files.
class ReleaseServer : public QObject
{
public:
    QString tag = newVersion;
    QMap<QString, QByteArray> files;
    // The zipapp's answer stops halfway, its announced length unchanged.
    bool truncate = false;
    // Requests for the newest release.
    int lookups = 0;

    ReleaseServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
    }
    QString releases() const { return u"http://127.0.0.1:%1/yt-dlp/yt-dlp/releases"_s.arg(m_server.serverPort()); }
    // An address where nothing answers.
    QString closed()
    {
        const QString address = releases();
        m_server.close();
        return address;
    }

private:
    void answer(QTcpSocket* socket)
    {
        QByteArray& request = m_requests[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QString path = QString::fromLatin1(request.split(' ').value(1));
        const QString download = u"/yt-dlp/yt-dlp/releases/download/"_s + tag + u'/';
        QByteArray reply;
        if (path == u"/yt-dlp/yt-dlp/releases/latest"_s) {
            ++lookups;
            reply = "HTTP/1.1 302 Found\r\nLocation: /yt-dlp/yt-dlp/releases/tag/" + tag.toLatin1()
                + "\r\nContent-Length: 0\r\n";
        } else if (path.startsWith(download) && files.contains(path.mid(download.size()))) {
            const QString name = path.mid(download.size());
            QByteArray body = files.value(name);
            reply = "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
            if (truncate && name == u"yt-dlp"_s)
                body.truncate(body.size() / 2);
            reply += "Connection: close\r\n\r\n" + body;
        } else {
            reply = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n";
        }
        if (!reply.contains("\r\n\r\n"))
            reply += "Connection: close\r\n\r\n";
        m_requests.remove(socket);
        socket->write(reply);
        socket->disconnectFromHost();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_requests;
};

} // namespace

class EngineRefreshTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void shippedKeyIsYtDlps();
    void refresh_data();
    void refresh();
    void waitsForTheQueue();
    void refusedWhileBusy();
    void rollBackRestoresThePrevious();
    void keptCurrentByItself();
    void fullDiskLosesNothing();
    void updateEngineCommand();

private:
    // A zipapp that answers --version with `version` and hands every other run to
    // the yt-dlp of `harness` (links) or the real one (local files), logging each.
    QByteArray zipapp(AppHarness& harness, const QString& version, bool failing = false);
    // The release of `zipapp`, its sums and their signature by the test key.
    void publish(ReleaseServer& server, const QByteArray& zipapp, const QByteArray& signedApp = {});
    QString log() const { return m_scratch.filePath(u"zipapp.log"_s); }

    QTemporaryDir m_scratch;
    QString m_home;
    int m_builds = 0;
};

void EngineRefreshTest::initTestCase()
{
    // A signing key of the test's own; the verifier trusts only it.
    m_home = m_scratch.filePath(u"gnupg"_s);
    QVERIFY(QDir().mkpath(m_home));
    QFile::setPermissions(m_home, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(run(u"gpg"_s,
        { u"--homedir"_s, m_home, u"--batch"_s, u"--passphrase"_s, QString(), u"--quick-gen-key"_s,
            u"Brisomar Prueba <prueba@brisomar.invalid>"_s, u"ed25519"_s, u"sign"_s, u"never"_s }));
    const QString keyring = m_scratch.filePath(u"keyring.gpg"_s);
    QVERIFY(run(u"gpg"_s, { u"--homedir"_s, m_home, u"--batch"_s, u"--output"_s, keyring, u"--export"_s }));
    qputenv("BRISOMAR_ENGINE_KEYRING", keyring.toUtf8());
}

void EngineRefreshTest::cleanupTestCase()
{
    run(u"gpgconf"_s, { u"--homedir"_s, m_home, u"--kill"_s, u"all"_s });
}

// The keyring made in the program from the armored key is yt-dlp's key, as gpg reads it.
void EngineRefreshTest::shippedKeyIsYtDlps()
{
    const QString keyring = m_scratch.filePath(u"shipped.gpg"_s);
    QVERIFY(TestSupport::writeFile(keyring, EngineRefresh::dearmor(SigningKey::armored())));
    QByteArray listing;
    QVERIFY(run(
        u"gpg"_s, { u"--homedir"_s, m_home, u"--batch"_s, u"--with-colons"_s, u"--show-keys"_s, keyring }, &listing));
    QVERIFY(listing.contains("fpr:::::::::AC0CBBE6848D6A873464AF4E57CF65933B5A7581:"));
}

QByteArray EngineRefreshTest::zipapp(AppHarness& harness, const QString& version, bool failing)
{
    const QString dir = m_scratch.filePath(u"zipapp%1"_s.arg(++m_builds));
    const QString real = TestSupport::toolsDir() + u"/yt-dlp-runtime/yt-dlp_linux"_s;
    const QByteArray main = "import os, sys\n"
                            "with open("
        + QJsonDocument(QJsonArray { log() }).toJson(QJsonDocument::Compact)
        + "[0], 'a') as f: f.write(' '.join(sys.argv[1:]) + '\\n')\n"
          "if sys.argv[1:] == ['--version']:\n    print('"
        + version.toLatin1() + "')\n    sys.exit(0)\n" + (failing ? "sys.exit(2)\n" : "") + "tool = "
        + QJsonDocument(QJsonArray { harness.tools.toolPath(u"yt-dlp"_s), real }).toJson(QJsonDocument::Compact)
        + "[0 if sys.argv[-1].startswith('http') else 1]\n"
          "os.execv(tool, [tool] + sys.argv[1:])\n";
    if (!TestSupport::writeFile(dir + u"/src/__main__.py"_s, main)
        || !run(u"python3"_s,
            { u"-m"_s, u"zipapp"_s, dir + u"/src"_s, u"-o"_s, dir + u"/yt-dlp"_s, u"-p"_s, u"/usr/bin/env python3"_s }))
        return {};
    return TestSupport::readFile(dir + u"/yt-dlp"_s);
}

void EngineRefreshTest::publish(ReleaseServer& server, const QByteArray& zipapp, const QByteArray& signedApp)
{
    const QByteArray listed = signedApp.isEmpty() ? zipapp : signedApp;
    const QByteArray sums = QCryptographicHash::hash(listed, QCryptographicHash::Sha256).toHex() + "  yt-dlp\n"
        + QByteArray(64, 'a') + "  yt-dlp.exe\n";
    const QString file = m_scratch.filePath(u"SHA2-256SUMS"_s);
    QVERIFY(TestSupport::writeFile(file, sums));
    QVERIFY(run(u"gpg"_s,
        { u"--homedir"_s, m_home, u"--batch"_s, u"--yes"_s, u"--detach-sign"_s, u"--output"_s, file + u".sig"_s,
            file }));
    server.files = { { u"yt-dlp"_s, zipapp }, { u"SHA2-256SUMS"_s, sums },
        { u"SHA2-256SUMS.sig"_s, TestSupport::readFile(file + u".sig"_s) } };
}

void EngineRefreshTest::refresh_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("status");

    QTest::newRow("a signed, working release is put in use") << QString() << u"Motor actualizado a yt-dlp "_s;
    QTest::newRow("an older release changes nothing") << u"older"_s << u"El motor ya está al día"_s;
    QTest::newRow("sums changed after signing") << u"signature"_s << u"firma"_s;
    QTest::newRow("a zipapp other than the signed one") << u"checksum"_s << u"suma firmada"_s;
    QTest::newRow("a download cut halfway") << u"truncated"_s << u"incompleta"_s;
    QTest::newRow("a release that fails its trial") << u"trial"_s << u"falló su prueba"_s;
    QTest::newRow("no server to ask") << u"offline"_s << u"No se pudo conectar"_s;
    QTest::newRow("a refreshed engine that no longer starts is replaced")
        << u"broken"_s << u"Motor actualizado a yt-dlp "_s;
}

// Every failure leaves the engine in use, its record and its folder as they were;
// a good release is recorded and used by the next job.
void EngineRefreshTest::refresh()
{
    QFETCH(QString, fault);
    QFETCH(QString, status);
    AppHarness harness;
    harness.serve(TestSupport::offlineVideo(u"abcdefghijk"_s, u"youtube"_s, harness.clip(), 320, 240));
    ReleaseServer server;
    const QByteArray app = zipapp(harness, newVersion, fault == u"trial"_s);
    QVERIFY(!app.isEmpty());
    publish(server, app, fault == u"checksum"_s ? zipapp(harness, u"2099.01.09"_s) : QByteArray());
    if (fault == u"signature"_s)
        server.files[u"SHA2-256SUMS"_s].append("# added\n");
    server.truncate = fault == u"truncated"_s;
    if (fault == u"older"_s)
        server.tag = u"2001.01.01"_s;
    qputenv("BRISOMAR_ENGINE_RELEASES", (fault == u"offline"_s ? server.closed() : server.releases()).toUtf8());
    QFile::remove(log());
    const UserEngine user { BrisPaths(harness.data()) };
    if (fault == u"broken"_s) {
        const QString broken = user.file(u"2098.01.01"_s);
        QVERIFY(TestSupport::writeFile(broken, "#!/bin/sh\nexit 1\n"));
        QFile::setPermissions(broken, QFile::ReadOwner | QFile::ExeOwner);
        user.write({ u"2098.01.01"_s, {}, {} });
    }
    const bool installs = status.startsWith(u"Motor actualizado"_s);

    QVERIFY(harness.openStarted());
    AppModel& model = *harness.model;
    QCOMPARE(model.engineVersions().endsWith(u" · incluido"_s), fault != u"broken"_s);
    model.refreshEngine();
    QVERIFY(model.engineRefreshing());
    QTRY_VERIFY_WITH_TIMEOUT(!model.engineRefreshing(), 120000);
    QVERIFY2(model.engineRefreshStatus().contains(status), qPrintable(model.engineRefreshStatus()));

    const QDir versions(user.folder() + u"/yt-dlp"_s);
    if (!installs) {
        QCOMPARE(user.record().current, QString());
        QCOMPARE(versions.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
        QVERIFY(model.engineVersions().endsWith(u" · incluido"_s));
        return;
    }
    QCOMPARE(user.record().current, newVersion);
    QVERIFY(versions.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).contains(newVersion));
    QTRY_COMPARE(model.engineVersions().section(u" · "_s, 0, 0), u"yt-dlp "_s + newVersion);
    QVERIFY(model.engineVersions().endsWith(u" · actualizado"_s));

    QFile::remove(log());
    model.setLink(videoLink);
    model.analyze();
    QTRY_VERIFY_WITH_TIMEOUT(model.info(), 60000);
    model.enqueue();
    QTRY_VERIFY_WITH_TIMEOUT(model.pendingCount() == 0, 120000);
    QVERIFY2(model.completed().first().fileAvailable(), qPrintable(model.completed().first().detail));
    // The analysis and the job's download both ran the new engine.
    QVERIFY(TestSupport::readFile(log()).count(videoLink.toUtf8()) >= 2);
}

// A release verified while an analysis runs waits for it to end; that analysis
// keeps the engine it started with.
void EngineRefreshTest::waitsForTheQueue()
{
    AppHarness harness;
    ReleaseServer server;
    publish(server, zipapp(harness, newVersion));
    qputenv("BRISOMAR_ENGINE_RELEASES", server.releases().toUtf8());
    harness.hangAnalysis();
    QFile::remove(log());
    QVERIFY(harness.openStarted());
    AppModel& model = *harness.model;

    // The release server answers only from this thread's loop: the refresh is
    // still under way when the analysis starts.
    model.refreshEngine();
    model.setLink(videoLink);
    model.analyze();
    QVERIFY(model.analyzing());
    QTRY_VERIFY_WITH_TIMEOUT(!model.engineRefreshing(), 120000);
    QVERIFY2(
        model.engineRefreshStatus().contains(u"cuando termine la cola"_s), qPrintable(model.engineRefreshStatus()));
    const UserEngine user { BrisPaths(harness.data()) };
    QCOMPARE(user.record().current, QString());
    QVERIFY(model.analyzing());

    model.cancelAnalysis();
    QTRY_COMPARE(user.record().current, newVersion);
    QCOMPARE(model.engineRefreshStatus(), u"Motor actualizado a yt-dlp "_s + newVersion + u'.');
    QVERIFY(!TestSupport::readFile(log()).contains(videoLink.toUtf8()));
}

void EngineRefreshTest::refusedWhileBusy()
{
    AppHarness harness;
    ReleaseServer server;
    qputenv("BRISOMAR_ENGINE_RELEASES", server.releases().toUtf8());
    harness.hangAnalysis();
    QVERIFY(harness.openStarted());
    AppModel& model = *harness.model;
    model.setLink(videoLink);
    model.analyze();
    QVERIFY(model.analyzing());
    model.refreshEngine();
    QVERIFY(!model.engineRefreshing());
    QCOMPARE(model.engineRefreshStatus(), u"Esperá a que termine la cola antes de buscar actualizaciones."_s);
    model.cancelAnalysis();
}

void EngineRefreshTest::rollBackRestoresThePrevious()
{
    AppHarness harness;
    ReleaseServer server;
    qputenv("BRISOMAR_ENGINE_RELEASES", server.releases().toUtf8());
    QVERIFY(harness.openStarted());
    AppModel& model = *harness.model;
    for (const QString& version : { newVersion, u"2099.01.03"_s }) {
        server.tag = version;
        publish(server, zipapp(harness, version));
        model.refreshEngine();
        QTRY_VERIFY_WITH_TIMEOUT(!model.engineRefreshing(), 120000);
        QTRY_COMPARE(model.engineVersions().section(u" · "_s, 0, 0), u"yt-dlp "_s + version);
    }
    QVERIFY(model.engineRollbackAvailable());
    model.rollBackEngine();
    QTRY_COMPARE(model.engineVersions().section(u" · "_s, 0, 0), u"yt-dlp "_s + newVersion);
    QVERIFY(!model.engineRollbackAvailable());
    const UserEngine user { BrisPaths(harness.data()) };
    QCOMPARE(user.record().current, newVersion);

    // Deleting the folder returns to the tools' own yt-dlp.
    QVERIFY(QDir(user.folder()).removeRecursively());
    model.checkEngine();
    QTRY_VERIFY(model.engineVersions().endsWith(u" · incluido"_s));
}

// On by default: the model looks by itself while idle, and not again that day.
void EngineRefreshTest::keptCurrentByItself()
{
    AppHarness harness;
    ReleaseServer server;
    publish(server, zipapp(harness, newVersion));
    qputenv("BRISOMAR_ENGINE_RELEASES", server.releases().toUtf8());
    AppModel& model = harness.openReal();
    model.setEngineRefreshInterval(std::chrono::milliseconds(10));
    model.start();
    QTRY_VERIFY_WITH_TIMEOUT(model.engineVersions().endsWith(u" · actualizado"_s), 120000);
    QCOMPARE(UserEngine(BrisPaths(harness.data())).record().current, newVersion);
    // Hundreds of the model's checks went by meanwhile.
    QCOMPARE(server.lookups, 1);
}

// The data folder's disk fills while the new release comes in: nothing of
// the program's is lost and nothing of the download stays.
void EngineRefreshTest::fullDiskLosesNothing()
{
    QTemporaryDir volume;
    if (::mount(
            "tmpfs", QFile::encodeName(volume.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m,mode=0700"))
        QSKIP("no file system can be mounted here");
    const auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(volume.path()).constData(), MNT_DETACH); });
    AppHarness harness;
    ReleaseServer server;
    // Random bytes stored in the zip keep it larger than the volume.
    QByteArray app = zipapp(harness, newVersion);
    QByteArray noise(2 * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = char(QRandomGenerator::global()->generate());
    publish(server, noise + app);
    qputenv("BRISOMAR_ENGINE_RELEASES", server.releases().toUtf8());

    const QString data = volume.filePath(u"data"_s);
    const UserEngine user { BrisPaths(data) };
    QVERIFY(TestSupport::writeFile(data + u"/library.json"_s, "[]"));
    user.write({ {}, {}, {} });
    const Downloader engine(Toolchain(harness.tools.root()), BrisPaths(data));
    QString failure;
    QThreadPool pool;
    pool.start(
        [&] { failure = TestSupport::failure([&] { engine.refresher()->find(std::make_shared<Cancellation>()); }); });
    QTRY_VERIFY_WITH_TIMEOUT(pool.waitForDone(0), 60000);
    QVERIFY2(failure.contains(u"espacio"_s), qPrintable(failure));
    QCOMPARE(TestSupport::readFile(data + u"/library.json"_s), "[]"_ba);
    QCOMPARE(user.record().current, QString());
    QCOMPARE(QDir(user.folder() + u"/yt-dlp"_s).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
        QStringList());
}

// `brisomar --update-engine`: one line and the status, as a scheduler sees them.
void EngineRefreshTest::updateEngineCommand()
{
    AppHarness harness;
    ReleaseServer server;
    publish(server, zipapp(harness, newVersion));
    const auto update = [&](const QString& releases) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"BRISOMAR_DATA_DIR"_s, harness.data());
        environment.insert(u"BRISOMAR_TOOLS_DIR"_s, harness.tools.root());
        environment.insert(u"BRISOMAR_ENGINE_RELEASES"_s, releases);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(BRISOMAR_PROGRAM), { u"--update-engine"_s });
        // The release server answers from this thread: wait without blocking it.
        if (!QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, 120000))
            program.kill();
        program.waitForFinished();
        const int status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
        return QString::number(status) + u' ' + QString::fromUtf8(program.readAllStandardOutput());
    };
    QCOMPARE(update(server.releases()), u"0 Motor actualizado a yt-dlp "_s + newVersion + u".\n"_s);
    QCOMPARE(update(server.releases()), u"0 El motor ya está al día: yt-dlp "_s + newVersion + u".\n"_s);
    const QString failed = update(server.closed());
    QVERIFY2(failed.startsWith(u"1 No se pudo conectar"_s) && failed.count(u'\n') == 1, qPrintable(failed));
    QCOMPARE(UserEngine(BrisPaths(harness.data())).record().current, newVersion);
}

int main(int argc, char** argv)
{
    TestSupport::enterPrivateMounts();
    QCoreApplication application(argc, argv);
    EngineRefreshTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_enginerefresh.moc"
