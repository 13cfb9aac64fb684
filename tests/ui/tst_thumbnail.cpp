#include "ThumbnailLoader.h"
#include "Window.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslServer>
#include <QtEndian>
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

// A small file whose header claims a picture of `side` × `side`.
QByteArray bmpHeader(qint32 side)
{
    QByteArray data(54 + 16, '\0');
    data[0] = 'B';
    data[1] = 'M';
    const std::pair<int, qint32> fields[]
        = { { 2, qint32(data.size()) }, { 10, 54 }, { 14, 40 }, { 18, side }, { 22, side } };
    for (const auto& [at, value] : fields)
        qToLittleEndian(value, data.data() + at);
    qToLittleEndian<quint16>(1, data.data() + 26);
    qToLittleEndian<quint16>(24, data.data() + 28);
    return ok(data, "image/bmp");
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
            while (QTcpSocket* socket = m_server->nextPendingConnection()) {
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
        m_server->listen(QHostAddress::LocalHost);
    }

    QHash<QString, QByteArray> responses;
    QStringList requested;

    QUrl url(const QString& path) const
    {
        const QString scheme = qobject_cast<QSslServer*>(m_server) ? u"https"_s : u"http"_s;
        return QUrl(u"%1://127.0.0.1:%2%3"_s.arg(scheme).arg(m_server->serverPort()).arg(path));
    }

private:
    QTcpServer* m_server;
};

class ThumbnailTest : public QObject
{
    Q_OBJECT

    QSslConfiguration m_tls;

private Q_SLOTS:
    void initTestCase()
    {
        // A certificate for 127.0.0.1 and its key, made for these tests alone; the
        // loader is told to trust it.
        QFile file(QFINDTESTDATA("localhost.pem"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pem = file.readAll();
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
        QTest::newRow("no address") << QString() << picture << false;
        QTest::newRow("plain http") << u"http"_s << picture << false;
        QTest::newRow("a local file") << u"file:///etc/hostname"_s << picture << false;
        QTest::newRow("a server that never answers") << u"/never"_s << picture << false;
        QTest::newRow("a declared length past the bound")
            << u"/pic"_s << "HTTP/1.1 200 OK\r\nContent-Length: 4000001\r\n\r\n"_ba + QByteArray(1000, 'x') << false;
        QTest::newRow("an undeclared length past the bound")
            << u"/pic"_s << "HTTP/1.0 200 OK\r\nContent-Type: image/png\r\n\r\n"_ba + QByteArray(4'500'000, 'x')
            << false;
        QTest::newRow("not a picture") << u"/pic"_s << ok("<html>hola</html>", "text/html") << false;
        QTest::newRow("a header claiming 20000 × 20000") << u"/pic"_s << bmpHeader(20000) << false;
        QTest::newRow("a redirect to https") << u"/pic"_s << "REDIRECT https"_ba << true;
        QTest::newRow("a redirect to plain http") << u"/pic"_s << "REDIRECT http"_ba << false;
    }

    // Only a bounded picture over https loads; nothing else is even asked for.
    void load()
    {
        QFETCH(QString, address);
        QFETCH(QByteArray, response);
        QFETCH(bool, pictured);

        LocalServer secure(m_tls);
        LocalServer plain;
        secure.responses.insert(u"/target.png"_s, png({ 320, 180 }, Qt::darkCyan));
        plain.responses.insert(u"/target.png"_s, png({ 320, 180 }, Qt::darkCyan));
        plain.responses.insert(u"/pic"_s, response);
        if (response.startsWith("REDIRECT ")) {
            const QUrl target = (response.endsWith("https") ? secure : plain).url(u"/target.png"_s);
            response = "HTTP/1.1 302 Found\r\nLocation: " + target.toEncoded() + "\r\nContent-Length: 0\r\n\r\n";
        }
        secure.responses.insert(u"/pic"_s, response);

        ThumbnailLoader loader;
        // Longer than the test waits, but for the silent server: every other
        // refusal must come from the rules themselves.
        loader.setTimeLimit(address == u"/never"_s ? std::chrono::milliseconds(300) : std::chrono::minutes(5));
        QSignalSpy failed(&loader, &ThumbnailLoader::failed);
        QSignalSpy loaded(&loader, &ThumbnailLoader::loaded);
        loader.load(address.isEmpty()      ? std::nullopt
                : address == u"http"_s     ? std::optional(plain.url(u"/pic"_s))
                : address.startsWith(u'/') ? std::optional(secure.url(address))
                                           : std::optional(QUrl(address)),
            QSize(148, 84));
        QTRY_COMPARE(failed.size() + loaded.size(), 1);
        QVERIFY(!loader.isLoading());
        QCOMPARE(loaded.size(), pictured ? 1 : 0);
        if (pictured)
            QCOMPARE(loaded.first().first().value<QImage>().size(), QSize(149, 84));
        QVERIFY(plain.requested.isEmpty());
        QCOMPARE(secure.requested.isEmpty(), !address.startsWith(u'/'));
    }
};

WINDOW_TEST(ThumbnailTest);
#include "tst_thumbnail.moc"
