#include "InstanceServer.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

using namespace std::chrono_literals;

namespace {
constexpr auto handOverLimit = 10s;
// A handful of arguments, never more: anything longer is not one of ours.
constexpr qsizetype messageLimit = 64 * 1024;
} // namespace

InstanceServer::InstanceServer(QObject* parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) {
                    if (socket->bytesAvailable() > messageLimit)
                        socket->abort();
                    return;
                }
                const QJsonDocument message = QJsonDocument::fromJson(socket->readLine(messageLimit));
                socket->write("ok\n");
                socket->flush();
                socket->disconnectFromServer();
                if (!message.isArray())
                    return;
                QStringList arguments;
                for (const QJsonValue& value : message.array())
                    arguments.append(value.toString());
                Q_EMIT received(arguments);
            });
        }
    });
}

bool InstanceServer::listen(const QString& name)
{
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

bool InstanceServer::handOver(const QString& name, const QStringList& arguments)
{
    const QByteArray message
        = QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact) + '\n';
    const QDeadlineTimer deadline(handOverLimit);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(1000)) {
            socket.write(message);
            while (!socket.canReadLine() && socket.waitForReadyRead(int(deadline.remainingTime()))) { }
            return socket.readLine().startsWith("ok");
        }
        QThread::msleep(100);
    }
    return false;
}
