#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
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

bool makeMedia(const QString& path, int width, int height, int audioStreams, double seconds)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString duration = QString::number(seconds);
    QStringList args{QStringLiteral("-y"), QStringLiteral("-v"), QStringLiteral("error")};
    QStringList maps;
    int input = 0;
    if (width > 0) {
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("color=c=teal:s=%1x%2:r=25:d=%3").arg(width).arg(height).arg(duration);
        maps << QStringLiteral("-map") << QString::number(input++);
    }
    for (int i = 0; i < audioStreams; ++i) {
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=frequency=%1:duration=%2").arg(440 + 110 * i).arg(duration);
        maps << QStringLiteral("-map") << QString::number(input++);
    }
    args << maps;
    if (width > 0)
        args << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p");
    args << path;
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(toolsDir() + QStringLiteral("/ffmpeg"), args);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

bool processEnded(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) == "Z" || text.mid(close + 2, 1) == "X";
}

} // namespace TestSupport
