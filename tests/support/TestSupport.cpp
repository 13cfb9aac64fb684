#include "TestSupport.h"

#include "BrisError.h"
#include "Fixtures.h"
#include "SuiteSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace TestSupport {

QString toolsDir()
{
    const QByteArray env = qgetenv("BRISOMAR_TOOLS_DIR");
    return env.isEmpty() ? QStringLiteral(BRISOMAR_TEST_TOOLS_DIR) : QString::fromLocal8Bit(env);
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeJson(const QString& path, const QJsonObject& info)
{
    return writeFile(path, QJsonDocument(info).toJson(QJsonDocument::Compact));
}

bool makeMedia(const QString& path, int width, int height, int audioStreams, double seconds)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString duration = QString::number(seconds);
    QStringList args;
    QStringList maps;
    int input = 0;
    if (width > 0) {
        args << u"-f"_s << u"lavfi"_s << u"-i"_s
             << u"color=c=teal:s=%1x%2:r=25:d=%3"_s.arg(width).arg(height).arg(duration);
        maps << u"-map"_s << QString::number(input++);
    }
    for (int i = 0; i < audioStreams; ++i) {
        args << u"-f"_s << u"lavfi"_s << u"-i"_s << u"sine=frequency=%1:duration=%2"_s.arg(440 + 110 * i).arg(duration);
        maps << u"-map"_s << QString::number(input++);
    }
    args << maps;
    if (width > 0)
        args << u"-pix_fmt"_s << u"yuv420p"_s;
    return ffmpeg(args << path);
}

bool ffmpeg(const QStringList& args)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(toolsDir() + u"/ffmpeg"_s, QStringList { u"-y"_s, u"-v"_s, u"error"_s, u"-nostdin"_s } + args);
    return tool.waitForFinished(120000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

QMap<QString, QString> mediaTags(const QString& file)
{
    QProcess tool;
    tool.start(toolsDir() + u"/ffprobe"_s,
        { u"-v"_s, u"error"_s, u"-show_entries"_s, u"format_tags:stream_tags"_s, u"-of"_s, u"json"_s, file });
    tool.waitForFinished(60000);
    const QJsonObject root = QJsonDocument::fromJson(tool.readAllStandardOutput()).object();
    QMap<QString, QString> tags;
    // Ogg and Opus keep their tags on the stream, the other containers on the file.
    QList<QJsonObject> holders { root.value(u"format"_s).toObject() };
    for (const QJsonValue& stream : root.value(u"streams"_s).toArray())
        holders.append(stream.toObject());
    for (const QJsonObject& holder : holders) {
        const QJsonObject found = holder.value(u"tags"_s).toObject();
        for (auto it = found.begin(); it != found.end(); ++it)
            tags.insert(it.key().toLower(), it.value().toString());
    }
    return tags;
}

QJsonObject offlineVideo(const QString& id, const QString& extractor, const QString& media, int width, int height)
{
    return Fixtures::videoInfo(id, extractor, u"Prueba sin conexión"_s, 1.0,
        { Fixtures::localFormat(u"local"_s, media, u"avc1.42c00d"_s, u"mp4a.40.2"_s, width, height) });
}

QJsonObject offlinePost(const QString& media, int count, const QList<int>& heights, const QList<double>& durations)
{
    QJsonArray entries;
    for (int i = 1; i <= count; ++i) {
        QJsonArray formats;
        for (const int height : heights)
            formats.append(Fixtures::localFormat(
                u"local%1"_s.arg(height), media, u"avc1.42c00d"_s, u"mp4a.40.2"_s, height * 16 / 9, height));
        entries.append(Fixtures::videoInfo(
            u"10%1"_s.arg(i), u"instagram"_s, u"Clip %1"_s.arg(i), durations.value(i - 1, 1.0), formats));
    }
    if (count == 1)
        return entries.first().toObject();
    return { { u"id"_s, u"Cabc123"_s }, { u"_type"_s, u"playlist"_s }, { u"extractor"_s, u"instagram"_s },
        { u"extractor_key"_s, u"Instagram"_s }, { u"entries"_s, entries } };
}

QString postLink()
{
    return u"https://www.instagram.com/p/Cabc123/"_s;
}

bool processEnded(qint64 pid)
{
    return SuiteSupport::processGone(pid, std::chrono::milliseconds(0));
}

QString failure(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::exception& error) {
        return errorDescription(error);
    }
    return u"(no error)"_s;
}

ExfatDisk::ExfatDisk()
{
    const QString image = m_dir.filePath(u"disk.img"_s);
    const QString mount = m_dir.filePath(u"mnt"_s);
    QFile file(image);
    if (!QDir().mkpath(mount) || !file.open(QIODevice::WriteOnly) || !file.resize(qint64(512) << 20)) {
        m_problem = u"no se pudo preparar la imagen"_s;
        return;
    }
    file.close();
    if (!run(u"mkfs.exfat"_s, { image }))
        return;
    // Run as root, the driver wants a block device; anyone else mounts the image itself.
    QByteArray device;
    if (::geteuid() == 0) {
        if (!run(u"losetup"_s, { u"--find"_s, u"--show"_s, image }, &device))
            return;
        m_device = QString::fromLocal8Bit(device.trimmed());
    }
    m_mounted = run(u"mount.exfat-fuse"_s, { m_device.isEmpty() ? image : m_device, mount });
}

ExfatDisk::~ExfatDisk()
{
    if (m_mounted)
        run(u"fusermount"_s, { u"-u"_s, m_dir.filePath(u"mnt"_s) });
    if (!m_device.isEmpty())
        run(u"losetup"_s, { u"-d"_s, m_device });
}

bool ExfatDisk::run(const QString& program, const QStringList& args, QByteArray* output)
{
    QProcess tool;
    tool.start(program, args);
    const bool done = tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    if (output)
        *output = tool.readAllStandardOutput();
    if (!done)
        m_problem = u"%1: %2"_s.arg(program,
            tool.error() == QProcess::FailedToStart ? u"no está instalado"_s
                                                    : QString::fromLocal8Bit(tool.readAllStandardError().trimmed()));
    return done;
}

} // namespace TestSupport

void TestSupport::enterPrivateMounts()
{
    const auto writeText = [](const char* path, const QByteArray& text) {
        QFile file(QString::fromLatin1(path));
        return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(text) == text.size();
    };
    const QByteArray uid = QByteArray::number(::geteuid()), gid = QByteArray::number(::getegid());
    if (::geteuid() != 0
        && !(::unshare(CLONE_NEWUSER) == 0 && writeText("/proc/self/setgroups", "deny")
            && writeText("/proc/self/uid_map", "0 " + uid + " 1")
            && writeText("/proc/self/gid_map", "0 " + gid + " 1")))
        return;
    if (::unshare(CLONE_NEWNS) == 0)
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
}
