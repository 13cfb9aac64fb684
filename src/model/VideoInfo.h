#pragma once

#include "MediaLink.h"
#include "VideoContainer.h"
#include "VideoFormat.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class JsonWriter;

// What the program knows about one analysed video.
struct VideoInfo
{
    QString id;
    QString title;
    QString author;
    double duration = 0;
    QList<VideoFormat> formats;
    // Absent in records of the first version, which were all YouTube videos.
    std::optional<MediaPlatform> provider;
    std::optional<QString> sourceURL;
    std::optional<QString> thumbnailURL;

    // The videos in yt-dlp's metadata `output` for `link`: never empty. Throws a
    // BrisError message when the document does not describe usable videos of the
    // link's platform, and a JsonError when it is not JSON.
    static QList<VideoInfo> parseAll(const QByteArray& output, const MediaLink& link);

    MediaPlatform platform() const;
    QString url() const;
    // Names the cached original and is part of a job's identity; equal ids on
    // different platforms never share one.
    QString storageID() const;
    // Whether a record read back from disk still describes a video the program
    // would have accepted.
    bool validSource() const;
    std::optional<QUrl> thumbnail() const;
    // The heights to offer, largest first; a portrait video is offered by its width.
    QList<qint64> heights(VideoContainer container) const;

    // The stored form; toJson is the same as an object.
    void writeJson(JsonWriter& writer) const;
    QJsonObject toJson() const;
    static std::optional<VideoInfo> fromJson(const QJsonValue& value);

    friend bool operator==(const VideoInfo&, const VideoInfo&) = default;
};
