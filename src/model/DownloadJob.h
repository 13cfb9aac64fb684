#pragma once

#include "DownloadProfile.h"
#include "JobState.h"
#include "VideoInfo.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

class JsonWriter;

// One request to save one video with one profile into one folder, from queued
// to long after it finished. A plain value: the owner replaces it to change it.
struct DownloadJob
{
    QUuid id;
    VideoInfo video;
    DownloadProfile profile;
    QString folder;
    JobState state = JobState::queued;
    double progress = 0;
    QString detail;
    QDateTime created;
    std::optional<QString> path;
    std::optional<qint64> bytes;
    std::optional<qint64> actualHeight;
    bool reusedOriginal = false;

    // A new job: fresh id, no progress, "En espera", made now.
    static DownloadJob make(const VideoInfo& video, const DownloadProfile& profile, const QString& folder,
        JobState state, bool reusedOriginal);

    // Whether the saved file is still there with the size it had when saved.
    bool fileAvailable() const;

    // The stored form; toJson is the same as an object.
    void writeJson(JsonWriter& writer) const;
    QJsonObject toJson() const;
    static std::optional<DownloadJob> fromJson(const QJsonValue& value);

    // The history file: one JSON array of records. One bad record makes the whole
    // document unreadable (nothing).
    static QByteArray encodeHistory(const QList<DownloadJob>& jobs);
    static std::optional<QList<DownloadJob>> decodeHistory(const QByteArray& data);

    friend bool operator==(const DownloadJob&, const DownloadJob&) = default;
};

// Dates in stored records: seconds since 2001-01-01 00:00:00 UTC, with fraction.
double referenceSeconds(const QDateTime& dateTime);
// An invalid date for values no clock could have written.
QDateTime fromReferenceSeconds(double seconds);
