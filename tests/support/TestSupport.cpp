#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSaveFile>
#include <QUrl>

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
    QStringList args { QStringLiteral("-y"), QStringLiteral("-v"), QStringLiteral("error") };
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

QJsonObject offlineVideo(const QString& id, const QString& extractor, const QString& media, int width, int height)
{
    const QJsonObject format { { QStringLiteral("format_id"), QStringLiteral("local") },
        { QStringLiteral("url"), QUrl::fromLocalFile(media).toString(QUrl::FullyEncoded) },
        { QStringLiteral("protocol"), QStringLiteral("file") }, { QStringLiteral("ext"), QFileInfo(media).suffix() },
        { QStringLiteral("vcodec"), QStringLiteral("avc1.42c00d") },
        { QStringLiteral("acodec"), QStringLiteral("mp4a.40.2") }, { QStringLiteral("width"), width },
        { QStringLiteral("height"), height }, { QStringLiteral("filesize"), QFileInfo(media).size() } };
    return QJsonObject { { QStringLiteral("id"), id },
        { QStringLiteral("title"), QStringLiteral("Prueba sin conexión") },
        { QStringLiteral("uploader"), QStringLiteral("Brisomar") }, { QStringLiteral("duration"), 1.0 },
        { QStringLiteral("extractor"), extractor },
        { QStringLiteral("extractor_key"), extractor.left(1).toUpper() + extractor.mid(1) },
        { QStringLiteral("_type"), QStringLiteral("video") }, { QStringLiteral("formats"), QJsonArray { format } } };
}

QJsonObject offlineFormat(const QString& formatId, const QString& media, const QString& vcodec, const QString& acodec,
    int width, int height)
{
    QJsonObject format { { QStringLiteral("format_id"), formatId },
        { QStringLiteral("url"), QUrl::fromLocalFile(media).toString(QUrl::FullyEncoded) },
        { QStringLiteral("protocol"), QStringLiteral("file") }, { QStringLiteral("ext"), QFileInfo(media).suffix() },
        { QStringLiteral("vcodec"), vcodec }, { QStringLiteral("acodec"), acodec },
        { QStringLiteral("filesize"), QFileInfo(media).size() } };
    if (height > 0) {
        format.insert(QStringLiteral("width"), width);
        format.insert(QStringLiteral("height"), height);
    }
    return format;
}

QJsonObject offlineInfo(
    const QString& id, const QString& extractor, const QString& title, double duration, const QJsonArray& formats)
{
    return QJsonObject { { QStringLiteral("id"), id }, { QStringLiteral("title"), title },
        { QStringLiteral("uploader"), QStringLiteral("Brisomar") }, { QStringLiteral("duration"), duration },
        { QStringLiteral("extractor"), extractor },
        { QStringLiteral("extractor_key"), extractor.left(1).toUpper() + extractor.mid(1) },
        { QStringLiteral("_type"), QStringLiteral("video") }, { QStringLiteral("formats"), formats } };
}

bool writeJson(const QString& path, const QJsonObject& info)
{
    return writeFile(path, QJsonDocument(info).toJson(QJsonDocument::Compact));
}

bool ffmpeg(const QStringList& args)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(toolsDir() + QStringLiteral("/ffmpeg"), QStringList { QStringLiteral("-y"), QStringLiteral("-v"),
        QStringLiteral("error"), QStringLiteral("-nostdin") } + args);
    return tool.waitForFinished(120000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

QMap<QString, QString> mediaTags(const QString& file)
{
    QProcess tool;
    tool.start(toolsDir() + QStringLiteral("/ffprobe"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
            QStringLiteral("format_tags:stream_tags"), QStringLiteral("-of"), QStringLiteral("json"), file });
    tool.waitForFinished(60000);
    const QJsonObject root = QJsonDocument::fromJson(tool.readAllStandardOutput()).object();
    QMap<QString, QString> tags;
    // Ogg and Opus keep their tags on the stream, the other containers on the file.
    QList<QJsonObject> holders { root.value(QStringLiteral("format")).toObject() };
    for (const QJsonValue& stream : root.value(QStringLiteral("streams")).toArray())
        holders.append(stream.toObject());
    for (const QJsonObject& holder : holders) {
        const QJsonObject found = holder.value(QStringLiteral("tags")).toObject();
        for (auto it = found.begin(); it != found.end(); ++it)
            tags.insert(it.key().toLower(), it.value().toString());
    }
    return tags;
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
