#include "ThumbnailLoader.h"
#include "ThumbnailView.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray png(const QSize& size, const QColor& color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

// A small file whose header claims a picture of `side` × `side`.
QByteArray bmpHeader(qint32 side)
{
    QByteArray data(54 + 16, '\0');
    auto put32 = [&](int at, qint32 value) { qToLittleEndian(value, data.data() + at); };
    data[0] = 'B';
    data[1] = 'M';
    put32(2, qint32(data.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, side);
    put32(22, side);
    qToLittleEndian<quint16>(1, data.data() + 26);
    qToLittleEndian<quint16>(24, data.data() + 28);
    return data;
}

QByteArray ok(const QByteArray& body, const QByteArray& type = "image/png")
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

// Answers each path with a fixed raw response; a path it does not know gets no
// answer at all. Speaks TLS when given a configuration.
class LocalServer : public QObject
{
    Q_OBJECT

public:
    explicit LocalServer(const std::optional<QSslConfiguration>& tls = std::nullopt)
        : m_server(tls ? new QSslServer(this) : new QTcpServer(this))
    {
        if (tls)
            static_cast<QSslServer*>(m_server)->setSslConfiguration(*tls);
        connect(m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* socket = m_server->nextPendingConnection())
                serve(socket);
        });
        m_server->listen(QHostAddress::LocalHost);
    }

    QHash<QString, QByteArray> responses;
    QStringList requested;

    QUrl url(const QString& path) const
    {
        const bool secure = qobject_cast<QSslServer*>(m_server);
        return QUrl(
            u"%1://127.0.0.1:%2%3"_s.arg(secure ? u"https"_s : u"http"_s).arg(m_server->serverPort()).arg(path));
    }

private:
    void serve(QTcpSocket* socket)
    {
        auto* request = new QByteArray;
        connect(socket, &QTcpSocket::disconnected, socket, [socket, request] {
            delete request;
            socket->deleteLater();
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
            *request += socket->readAll();
            if (!request->contains("\r\n\r\n"))
                return;
            const QString path = QString::fromLatin1(request->split(' ').value(1));
            request->clear();
            requested.append(path);
            if (responses.contains(path)) {
                socket->write(responses.value(path));
                socket->disconnectFromHost();
            }
        });
    }

    QTcpServer* m_server;
};

class ThumbnailTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void refused_data();
    void refused();
    void served_data();
    void served();
    void timeLimit();
    void placeholderStaysOnFailure();

private:
    QTemporaryDir m_dir;
    QSslConfiguration m_tls;
};

void ThumbnailTest::initTestCase()
{
    // A certificate of our own for 127.0.0.1, which the loader is told to trust.
    const QString key = m_dir.filePath(u"key.pem"_s);
    const QString certificate = m_dir.filePath(u"cert.pem"_s);
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(u"openssl"_s,
        { u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-keyout"_s, key, u"-out"_s, certificate,
            u"-days"_s, u"2"_s, u"-subj"_s, u"/CN=127.0.0.1"_s, u"-addext"_s, u"subjectAltName=IP:127.0.0.1"_s });
    QVERIFY(openssl.waitForFinished(60000));
    QVERIFY2(openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0, openssl.readAll().constData());
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(certificate);
    QCOMPARE(certificates.size(), 1);
    QFile keyFile(key);
    QVERIFY(keyFile.open(QIODevice::ReadOnly));
    m_tls = QSslConfiguration::defaultConfiguration();
    m_tls.setLocalCertificate(certificates.first());
    m_tls.setPrivateKey(QSslKey(&keyFile, QSsl::Rsa));

    QSslConfiguration client = QSslConfiguration::defaultConfiguration();
    client.addCaCertificate(certificates.first());
    QSslConfiguration::setDefaultConfiguration(client);
}

void ThumbnailTest::refused_data()
{
    QTest::addColumn<QString>("address");

    QTest::newRow("no address") << QString();
    QTest::newRow("plain http") << u"http"_s;
    QTest::newRow("a local file") << u"file:///etc/hostname"_s;
}

void ThumbnailTest::refused()
{
    QFETCH(QString, address);

    LocalServer plain;
    plain.responses.insert(u"/pic.png"_s, ok(png({ 32, 18 }, Qt::red)));
    std::optional<QUrl> url;
    if (address == u"http"_s)
        url = plain.url(u"/pic.png"_s);
    else if (!address.isEmpty())
        url = QUrl(address);

    ThumbnailLoader loader;
    QSignalSpy failed(&loader, &ThumbnailLoader::failed);
    QSignalSpy loaded(&loader, &ThumbnailLoader::loaded);
    loader.load(url);
    // Refused on the spot: nothing is pending that could still load.
    QCOMPARE(failed.size(), 1);
    QCOMPARE(loaded.size(), 0);
    QVERIFY(!loader.isLoading());
    QVERIFY(plain.requested.isEmpty());
}

void ThumbnailTest::served_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("pictured");

    QTest::newRow("a small picture") << ok(png({ 320, 180 }, Qt::darkCyan)) << true;
    QTest::newRow("a declared length past the bound")
        << "HTTP/1.1 200 OK\r\nContent-Length: 4000001\r\n\r\n"_ba + QByteArray(1000, 'x') << false;
    QTest::newRow("an undeclared length past the bound")
        << "HTTP/1.0 200 OK\r\nContent-Type: image/png\r\n\r\n"_ba + QByteArray(4'500'000, 'x') << false;
    QTest::newRow("not a picture") << ok("<html>hola</html>", "text/html") << false;
    QTest::newRow("a header claiming 20000 × 20000") << ok(bmpHeader(20000), "image/bmp") << false;
    QTest::newRow("a redirect to https") << "REDIRECT https"_ba << true;
    QTest::newRow("a redirect to plain http") << "REDIRECT http"_ba << false;
}

void ThumbnailTest::served()
{
    QFETCH(QByteArray, response);
    QFETCH(bool, pictured);

    LocalServer secure(m_tls);
    LocalServer plain;
    const QByteArray picture = ok(png({ 320, 180 }, Qt::darkCyan));
    secure.responses.insert(u"/target.png"_s, picture);
    plain.responses.insert(u"/target.png"_s, picture);
    if (response.startsWith("REDIRECT ")) {
        const QUrl target = (response.endsWith("https") ? secure : plain).url(u"/target.png"_s);
        response = "HTTP/1.1 302 Found\r\nLocation: " + target.toEncoded() + "\r\nContent-Length: 0\r\n\r\n";
    }
    secure.responses.insert(u"/pic"_s, response);

    ThumbnailLoader loader;
    // Longer than the test waits: every refusal must come from the rules themselves.
    loader.setTimeLimit(std::chrono::minutes(5));
    QSignalSpy failed(&loader, &ThumbnailLoader::failed);
    QSignalSpy loaded(&loader, &ThumbnailLoader::loaded);
    loader.load(secure.url(u"/pic"_s), QSize(148, 84));
    QTRY_COMPARE(failed.size() + loaded.size(), 1);
    QCOMPARE(loaded.size(), pictured ? 1 : 0);
    if (pictured)
        QCOMPARE(loaded.first().first().value<QImage>().size(), QSize(149, 84));
    QVERIFY(plain.requested.isEmpty());
}

void ThumbnailTest::timeLimit()
{
    LocalServer silent(m_tls);
    ThumbnailLoader loader;
    loader.setTimeLimit(std::chrono::milliseconds(300));
    QSignalSpy failed(&loader, &ThumbnailLoader::failed);
    loader.load(silent.url(u"/never"_s));
    QVERIFY(loader.isLoading());
    QTRY_COMPARE(failed.size(), 1);
    QCOMPARE(silent.requested, QStringList { u"/never"_s });
    QVERIFY(!loader.isLoading());
}

void ThumbnailTest::placeholderStaysOnFailure()
{
    LocalServer secure(m_tls);
    secure.responses.insert(u"/good.png"_s, ok(png({ 296, 168 }, Qt::darkCyan)));
    secure.responses.insert(u"/bad.png"_s, ok("not a picture", "image/png"));

    ThumbnailView view;
    view.show();
    const QImage placeholder = view.grab().toImage();
    QSignalSpy settled(&view, &ThumbnailView::settled);
    view.setAddress(secure.url(u"/bad.png"_s));
    QTRY_COMPARE(settled.size(), 1);
    QVERIFY(!view.hasPicture());
    QCOMPARE(view.grab().toImage(), placeholder);

    view.setAddress(secure.url(u"/good.png"_s));
    QTRY_COMPARE(settled.size(), 2);
    QVERIFY(view.hasPicture());
    const QImage shown = view.grab().toImage();
    QCOMPARE(shown.pixelColor(shown.rect().center()), QColor(Qt::darkCyan));
}

QTEST_MAIN(ThumbnailTest)
#include "tst_thumbnail.moc"
