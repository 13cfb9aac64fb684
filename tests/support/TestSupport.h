#pragma once

#include <QByteArray>
#include <QJsonObject>
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
// Writes `info` as the JSON file `path`.
bool writeJson(const QString& path, const QJsonObject& info);

// True when process `pid` has ended (gone, or a zombie nobody reaped).
bool processEnded(qint64 pid);

} // namespace TestSupport
