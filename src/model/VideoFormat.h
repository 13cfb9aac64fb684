#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

class JsonWriter;

// One video rendition that the analysis found.
struct VideoFormat
{
    qint64 height = 0;
    qint64 width = 0;
    QString codec;
    bool hasAudio = false;
    std::optional<qint64> bytes;

    // The stored form; toJson is the same as an object.
    void writeJson(JsonWriter& writer) const;
    QJsonObject toJson() const;
    static std::optional<VideoFormat> fromJson(const QJsonValue& value);

    friend bool operator==(const VideoFormat&, const VideoFormat&) = default;
};

size_t qHash(const VideoFormat& format, size_t seed = 0) noexcept;
