#include "DownloadJob.h"

#include "JsonWriter.h"
#include "StrictJson.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 referenceEpochMSecs = 978'307'200'000; // 2001-01-01T00:00:00Z
// About three million years either way: far beyond any real record, well inside
// what a 64-bit millisecond count holds.
constexpr double maxReferenceSeconds = 1e14;

std::optional<QUuid> uuidFromText(const QString& text)
{
    static const QRegularExpression canonical(QRegularExpression::anchoredPattern(
        u"[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}"_s));
    if (!canonical.match(text).hasMatch())
        return std::nullopt;
    return QUuid::fromString(text);
}

} // namespace

double referenceSeconds(const QDateTime& dateTime)
{
    return double(dateTime.toMSecsSinceEpoch() - referenceEpochMSecs) / 1000.0;
}

QDateTime fromReferenceSeconds(double seconds)
{
    if (!std::isfinite(seconds) || std::abs(seconds) > maxReferenceSeconds)
        return {};
    return QDateTime::fromMSecsSinceEpoch(referenceEpochMSecs + std::llround(seconds * 1000.0), Qt::UTC);
}

DownloadJob DownloadJob::make(
    const VideoInfo& video, const DownloadProfile& profile, const QString& folder, JobState state, bool reusedOriginal)
{
    DownloadJob job;
    job.id = QUuid::createUuid();
    job.video = video;
    job.profile = profile;
    job.folder = folder;
    job.state = state;
    job.progress = 0;
    job.detail = u"En espera"_s;
    job.created = QDateTime::currentDateTimeUtc();
    job.reusedOriginal = reusedOriginal;
    return job;
}

bool DownloadJob::fileAvailable() const
{
    if (!path || !bytes || *bytes < 1)
        return false;
    const QFileInfo info(*path);
    return info.isFile() && info.size() == *bytes;
}

void DownloadJob::writeJson(JsonWriter& writer) const
{
    writer.beginObject();
    writer.key("id"_L1);
    writer.value(id.toString(QUuid::WithoutBraces).toUpper());
    writer.key("video"_L1);
    video.writeJson(writer);
    writer.key("profile"_L1);
    profile.writeJson(writer);
    writer.key("folder"_L1);
    writer.value(folder);
    writer.key("state"_L1);
    writer.value(rawValue(state));
    // JSON has no NaN: it would be written as null and make the whole history unreadable.
    writer.key("progress"_L1);
    writer.value(std::isfinite(progress) ? std::clamp(progress, 0.0, 1.0) : 0.0);
    writer.key("detail"_L1);
    writer.value(detail);
    writer.key("created"_L1);
    writer.value(referenceSeconds(created));
    if (path) {
        writer.key("path"_L1);
        writer.value(*path);
    }
    if (bytes) {
        writer.key("bytes"_L1);
        writer.value(*bytes);
    }
    if (actualHeight) {
        writer.key("actualHeight"_L1);
        writer.value(*actualHeight);
    }
    writer.key("reusedOriginal"_L1);
    writer.value(reusedOriginal);
    writer.endObject();
}

QJsonObject DownloadJob::toJson() const
{
    return jsonObject(*this);
}

std::optional<DownloadJob> DownloadJob::fromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto idText = StrictJson::text(object.value(u"id"_s));
    const auto id = idText ? uuidFromText(*idText) : std::nullopt;
    const auto video = VideoInfo::fromJson(object.value(u"video"_s));
    const auto profile = DownloadProfile::fromJson(object.value(u"profile"_s));
    const auto folder = StrictJson::text(object.value(u"folder"_s));
    const auto state = StrictJson::enumeration<JobState>(object.value(u"state"_s));
    const auto progress = StrictJson::number(object.value(u"progress"_s));
    const auto detail = StrictJson::text(object.value(u"detail"_s));
    const auto createdSeconds = StrictJson::number(object.value(u"created"_s));
    const QDateTime created = createdSeconds ? fromReferenceSeconds(*createdSeconds) : QDateTime();
    const auto path = StrictJson::optionalField<QString>(object, u"path"_s, StrictJson::text);
    const auto bytes = StrictJson::optionalField<qint64>(object, u"bytes"_s, StrictJson::integer);
    const auto actualHeight = StrictJson::optionalField<qint64>(object, u"actualHeight"_s, StrictJson::integer);
    const auto reusedOriginal = StrictJson::boolean(object.value(u"reusedOriginal"_s));
    if (!id || !video || !profile || !folder || !state || !progress || !detail || !created.isValid() || !path || !bytes
        || !actualHeight || !reusedOriginal)
        return std::nullopt;
    return DownloadJob { *id, *video, *profile, *folder, *state, *progress, *detail, created, *path, *bytes,
        *actualHeight, *reusedOriginal };
}

QByteArray DownloadJob::encodeHistory(const QList<DownloadJob>& jobs)
{
    JsonWriter writer;
    writer.beginArray();
    for (const DownloadJob& job : jobs)
        job.writeJson(writer);
    writer.endArray();
    return writer.take();
}

std::optional<QList<DownloadJob>> DownloadJob::decodeHistory(const QByteArray& data)
{
    const QJsonDocument document = QJsonDocument::fromJson(data);
    if (!document.isArray())
        return std::nullopt;
    QList<DownloadJob> jobs;
    const QJsonArray array = document.array();
    jobs.reserve(array.size());
    for (const QJsonValue& record : array) {
        std::optional<DownloadJob> job = fromJson(record);
        if (!job)
            return std::nullopt;
        jobs.append(std::move(*job));
    }
    return jobs;
}
