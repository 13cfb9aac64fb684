#include "StressSupport.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace StressSupport {

quint32 seed()
{
    bool ok = false;
    quint32 value = qEnvironmentVariable("BRISOMAR_STRESS_SEED").toUInt(&ok);
    if (!ok)
        value = QRandomGenerator::system()->generate();
    qInfo("seed %u (BRISOMAR_STRESS_SEED=%u repeats this run)", value, value);
    return value;
}

QStringList processesTagged(const QByteArray& variable, const QByteArray& value)
{
    const QByteArray entry = variable + '=' + value;
    QStringList found;
    const QStringList pids = QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        bool number = false;
        const qint64 id = pid.toLongLong(&number);
        if (!number || id == ::getpid())
            continue;
        QFile environ(u"/proc/%1/environ"_s.arg(pid));
        if (!environ.open(QIODevice::ReadOnly))
            continue;
        if (!environ.readAll().split('\0').contains(entry) || TestSupport::processEnded(id))
            continue;
        QByteArray command = TestSupport::readFile(u"/proc/%1/cmdline"_s.arg(pid));
        command.replace('\0', ' ');
        found << pid + u": "_s + QString::fromUtf8(command.trimmed());
    }
    return found;
}

} // namespace StressSupport
