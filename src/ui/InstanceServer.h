#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

// The running window's door for later starts on the same data folder: each
// hands its arguments over a local socket and ends, and the window takes them.
class InstanceServer : public QObject
{
    Q_OBJECT

public:
    explicit InstanceServer(QObject* parent = nullptr);

    // Called only while holding the folder's lock: a socket left by a dead
    // owner is then safely replaced.
    bool listen(const QString& name);

    // Hands `arguments` to the program listening at `name`; whether it took them.
    // That program may still be starting: it gets a few seconds to open its door.
    static bool handOver(const QString& name, const QStringList& arguments);

Q_SIGNALS:
    void received(const QStringList& arguments);

private:
    QLocalServer* m_server;
};
