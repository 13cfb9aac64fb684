#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace TestSupport {

QString toolsDir()
{
    const QByteArray env = qgetenv("BRISOMAR_TOOLS_DIR");
    return env.isEmpty() ? QStringLiteral(BRISOMAR_TEST_TOOLS_DIR) : QString::fromLocal8Bit(env);
}

QString sourcePath(const QString& relative)
{
    return QStringLiteral(BRISOMAR_TEST_SOURCE_DIR) + QLatin1Char('/') + relative;
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(data) == data.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace TestSupport
