#pragma once

#include "DownloadProfile.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// What the self-checks, the tests and the benchmarks build their offline runs
// from: profiles, and yt-dlp metadata whose renditions are local files.
namespace Fixtures {

DownloadProfile audioProfile(AudioFormat format, qint64 bitrate = 192, bool metadata = true);
DownloadProfile videoProfile(VideoContainer container, qint64 height = 1080, bool metadata = true);

// yt-dlp's options for reading `infoJson` instead of a link. Only offline runs
// pass them: they open the downloader to file addresses.
QStringList offlineArguments(const QString& infoJson);
// One rendition: the local file `media` through the "file" protocol; `vcodec`
// or `acodec` "none" marks a stream the file lacks.
QJsonObject localFormat(const QString& formatId, const QString& media, const QString& vcodec, const QString& acodec,
    int width = 0, int height = 0);
// One video with the given renditions; `extractor` must belong to the analysed link's platform.
QJsonObject videoInfo(
    const QString& id, const QString& extractor, const QString& title, double duration, const QJsonArray& formats);

} // namespace Fixtures
