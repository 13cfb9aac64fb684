#include "ThumbnailLoader.h"
#include "Window.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslServer>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray ok(const QByteArray& body, const QByteArray& type = "image/png")
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
}

QByteArray png(const QSize& size, const QColor& color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return ok(buffer.data());
}

} // namespace

// Over TLS, answers each path with a fixed raw response; a path it does not
// know gets no answer at all.
class LocalServer : public QSslServer
{
public:
    explicit LocalServer(const QSslConfiguration& tls)
    {
        setSslConfiguration(tls);
        connect(this, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
                    socket->setProperty("request", request);
                    if (!request.contains("\r\n\r\n"))
                        return;
                    const QString path = QString::fromLatin1(request.split(' ').value(1));
                    requested.append(path);
                    if (responses.contains(path)) {
                        socket->write(responses.value(path));
                        socket->disconnectFromHost();
                    }
                });
            }
        });
        listen(QHostAddress::LocalHost);
    }

    QHash<QString, QByteArray> responses;
    QStringList requested;
};

QUrl at(const QTcpServer& server, const QString& scheme, const QString& path)
{
    return QUrl(u"%1://127.0.0.1:%2%3"_s.arg(scheme).arg(server.serverPort()).arg(path));
}

class ThumbnailTest : public QObject
{
    Q_OBJECT

    QSslConfiguration m_tls;

private Q_SLOTS:
    void initTestCase()
    {
        // A certificate for 127.0.0.1 and its key, made for these tests alone; the
        // loader is told to trust it.
        const QByteArray pem = TestSupport::readFile(QFINDTESTDATA("localhost.pem"));
        const QSslCertificate certificate(pem);
        m_tls = QSslConfiguration::defaultConfiguration();
        m_tls.setLocalCertificate(certificate);
        m_tls.setPrivateKey(QSslKey(pem, QSsl::Rsa));
        QSslConfiguration client = QSslConfiguration::defaultConfiguration();
        client.addCaCertificate(certificate);
        QSslConfiguration::setDefaultConfiguration(client);
    }

    void load_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<bool>("pictured");

        const QByteArray picture = png({ 320, 180 }, Qt::darkCyan);
        QTest::newRow("a small picture") << u"/pic"_s << picture << true;
        QTest::newRow("plain http") << u"http"_s << picture << false;
        QTest::newRow("a server that never answers") << u"/never"_s << picture << false;
        QTest::newRow("a declared length past the bound")
            << u"/pic"_s << "HTTP/1.1 200 OK\r\nContent-Length: 4000001\r\n\r\n"_ba + QByteArray(1000, 'x') << false;
        QTest::newRow("an undeclared length past the bound")
            << u"/pic"_s << "HTTP/1.0 200 OK\r\nContent-Type: image/png\r\n\r\n"_ba + QByteArray(4'500'000, 'x')
            << false;
        QTest::newRow("not a picture") << u"/pic"_s << ok("<html>hola</html>", "text/html") << false;
        // Small to send and within what Qt itself would decode, but past the bound in pixels.
        QTest::newRow("a picture of 4200 × 4200") << u"/pic"_s << png({ 4200, 4200 }, Qt::darkCyan) << false;
        QTest::newRow("a redirect to https") << u"/pic"_s << "REDIRECT https"_ba << true;
        QTest::newRow("a redirect to plain http") << u"/pic"_s << "REDIRECT http"_ba << false;
    }

    // Only a bounded picture over https loads; nothing else is even asked for.
    void load()
    {
        QFETCH(QString, address);
        QFETCH(QByteArray, response);
        QFETCH(bool, pictured);

        // Plain http is refused before any connection: this server sees none.
        QTcpServer plain;
        plain.listen(QHostAddress::LocalHost);
        QSignalSpy plainConnections(&plain, &QTcpServer::newConnection);
        LocalServer secure(m_tls);
        secure.responses.insert(u"/target.png"_s, png({ 320, 180 }, Qt::darkCyan));
        if (response.startsWith("REDIRECT ")) {
            const QUrl target = response.endsWith("https") ? at(secure, u"https"_s, u"/target.png"_s)
                                                           : at(plain, u"http"_s, u"/target.png"_s);
            response = "HTTP/1.1 302 Found\r\nLocation: " + target.toEncoded() + "\r\nContent-Length: 0\r\n\r\n";
        }
        secure.responses.insert(u"/pic"_s, response);

        ThumbnailLoader loader;
        // Longer than the test waits, but for the silent server: every other
        // refusal must come from the rules themselves.
        loader.setTimeLimit(address == u"/never"_s ? std::chrono::milliseconds(300) : std::chrono::minutes(5));
        QSignalSpy failed(&loader, &ThumbnailLoader::failed);
        QSignalSpy loaded(&loader, &ThumbnailLoader::loaded);
        loader.load(
            address == u"http"_s ? at(plain, u"http"_s, u"/pic"_s) : at(secure, u"https"_s, address), QSize(148, 84));
        QTRY_COMPARE(failed.size() + loaded.size(), 1);
        QVERIFY(!loader.isLoading() && plainConnections.isEmpty());
        QCOMPARE(loaded.isEmpty() ? QSize() : loaded.first().first().value<QImage>().size(),
            pictured ? QSize(149, 84) : QSize());
        QCOMPARE(secure.requested.isEmpty(), address == u"http"_s);
    }
};

WINDOW_TEST(ThumbnailTest);
#include "tst_thumbnail.moc"
