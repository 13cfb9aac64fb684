#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QString>

namespace TestSupport {

// The tools root assembled by the build.
QString toolsDir();
// A file under tests/ of the source tree.
QString sourcePath(const QString& relative);
// Writes `data` to `path`, creating parent folders; fails the test on error.
bool writeFile(const QString& path, const QByteArray& data);
QByteArray readFile(const QString& path);

// Makes a media file with the real ffmpeg: `seconds` of a colour picture of
// `width`×`height` (none when 0) and `audioStreams` sine tones. The container
// follows the file's extension.
bool makeMedia(const QString& path, int width, int height, int audioStreams, double seconds = 1);

// yt-dlp's metadata for one video whose only rendition is the local file
// `media` (a "file" protocol format), to be read with --load-info-json (see
// StandInTools::offlineYtDlp). `extractor` must belong to the analysed link's platform.
QJsonObject offlineVideo(const QString& id, const QString& extractor, const QString& media, int width, int height);
// One rendition of offline metadata: the local file `media` through the "file"
// protocol. `vcodec` or `acodec` "none" marks a stream the file lacks.
QJsonObject offlineFormat(const QString& formatId, const QString& media, const QString& vcodec, const QString& acodec,
    int width = 0, int height = 0);
// Offline metadata for one video with the given renditions.
QJsonObject offlineInfo(const QString& id, const QString& extractor, const QString& title, double duration,
    const QJsonArray& formats);
// Writes `info` as the JSON file `path`.
bool writeJson(const QString& path, const QJsonObject& info);

// Runs the real ffmpeg with "-y -v error" and `args`.
bool ffmpeg(const QStringList& args);
// The container's tags in `file` as ffprobe reads them, keys in lower case.
QMap<QString, QString> mediaTags(const QString& file);

// True when process `pid` has ended (gone, or a zombie nobody reaped).
bool processEnded(qint64 pid);

} // namespace TestSupport
