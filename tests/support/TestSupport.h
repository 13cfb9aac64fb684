#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <functional>

class QWidget;

namespace TestSupport {

// The tools root assembled by the build.
QString toolsDir();
// Writes `data` to `path`, creating parent folders.
bool writeFile(const QString& path, const QByteArray& data);
QByteArray readFile(const QString& path);
bool writeJson(const QString& path, const QJsonObject& info);

// Makes a media file with the real ffmpeg: `seconds` of a colour picture of
// `width`×`height` (none when 0) and `audioStreams` sine tones. The container
// follows the file's extension.
bool makeMedia(const QString& path, int width, int height, int audioStreams, double seconds = 1);
// Runs the real ffmpeg with "-y -v error -nostdin" and `args`.
bool ffmpeg(const QStringList& args);
// The container's tags in `file` as ffprobe reads them, keys in lower case.
QMap<QString, QString> mediaTags(const QString& file);

// yt-dlp's metadata (see Fixtures), read with --load-info-json (see StandInTools::offlineYtDlp).
// One video of one second whose only rendition, with picture and sound, is `media`.
QJsonObject offlineVideo(const QString& id, const QString& extractor, const QString& media, int width, int height);
// `count` videos of one Instagram post (postLink()), all renditions of `media`;
// entry i has the id "10<i>" and the title "Clip <i>". Entries claim one second
// unless `durations` says otherwise; one rendition per height of `heights`.
QJsonObject offlinePost(
    const QString& media, int count, const QList<int>& heights = { 240 }, const QList<double>& durations = {});
QString postLink();

// A mount namespace of this process's own, where a test may mount a small
// volume that nobody else sees and that ends with the process; a user without
// the right to mount gets it in a user namespace. Only while the process has a
// single thread, so first thing in main.
void enterPrivateMounts();

// True when process `pid` has ended (gone, or a zombie nobody reaped).
bool processEnded(qint64 pid);

// The user's sentence for what `call` throws, "(no error)" when it returns.
QString failure(const std::function<void()>& call);

// A sparse exFAT disk with room for a job, as on a USB stick, mounted through FUSE for the life of
// the object. Not every machine allows the mount: then folder() is empty and
// problem() says why.
class ExfatDisk
{
public:
    ExfatDisk();
    ~ExfatDisk();
    ExfatDisk(const ExfatDisk&) = delete;
    ExfatDisk& operator=(const ExfatDisk&) = delete;

    QString folder() const { return m_mounted ? m_dir.filePath(QStringLiteral("mnt")) : QString(); }
    QString problem() const { return m_problem; }

private:
    bool run(const QString& program, const QStringList& args, QByteArray* output = nullptr);
    QTemporaryDir m_dir;
    QString m_device;
    QString m_problem;
    bool m_mounted = false;
};

} // namespace TestSupport

// The object named `name` under `root`, of type T.
template <typename T = QWidget> T* child(const QObject& root, const QString& name)
{
    return root.findChild<T*>(name);
}
