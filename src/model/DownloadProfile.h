#pragma once

#include "AudioFormat.h"
#include "DownloadKind.h"
#include "VideoContainer.h"
#include "VideoFormat.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

class JsonWriter;

// What to save from an analysed video. The fields of the kind not chosen keep
// their values but never affect the result.
struct DownloadProfile
{
    DownloadKind kind = DownloadKind::audio;
    AudioFormat audio = AudioFormat::mp3;
    qint64 bitrate = 192;
    VideoContainer container = VideoContainer::mp4;
    qint64 height = 1080; // 0 means the best available
    bool metadata = true;

    // Identifies what the profile produces: equal keys, equal files.
    QString key() const;
    QString label() const;
    // Throws a BrisError message when the profile asks for a quality not on offer.
    void validate() const;

    // The stored form; toJson is the same as an object.
    void writeJson(JsonWriter& writer) const;
    QJsonObject toJson() const;
    static std::optional<DownloadProfile> fromJson(const QJsonValue& value);

    friend bool operator==(const DownloadProfile&, const DownloadProfile&) = default;
};

size_t qHash(const DownloadProfile& profile, size_t seed = 0) noexcept;

// The heights a video profile may ask for; 0 is "the best available".
QList<qint64> allowedVideoHeights();
