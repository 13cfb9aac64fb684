#include "DownloadProfile.h"

#include "BrisError.h"
#include "JsonWriter.h"
#include "StrictJson.h"

#include <QHashFunctions>

using namespace Qt::Literals::StringLiterals;

namespace {

bool usesBitrate(AudioFormat format)
{
    return !qualities(format).isEmpty();
}

} // namespace

QList<qint64> allowedVideoHeights()
{
    return { 0, 144, 240, 360, 480, 720, 1080, 1440, 2160, 4320 };
}

QString DownloadProfile::key() const
{
    const QString tags = metadata ? u"1"_s : u"0"_s;
    if (kind == DownloadKind::video)
        return u"video-%1-%2-%3"_s.arg(rawValue(container)).arg(height).arg(tags);
    return u"audio-%1-%2-%3"_s.arg(rawValue(audio)).arg(usesBitrate(audio) ? bitrate : 0).arg(tags);
}

QString DownloadProfile::label() const
{
    if (kind == DownloadKind::video) {
        const QString limit = height == 0 ? u"Máxima"_s : u"hasta %1p"_s.arg(height);
        return rawValue(container).toUpper() + u" · "_s + limit;
    }
    QString text = rawValue(audio).toUpper();
    if (usesBitrate(audio))
        text += u" · %1 kbps"_s.arg(bitrate);
    return text;
}

void DownloadProfile::validate() const
{
    if (kind == DownloadKind::video) {
        if (!allowedVideoHeights().contains(height))
            throw BrisError::message(u"Elegí una resolución disponible."_s);
        return;
    }
    if (usesBitrate(audio) && !qualities(audio).contains(bitrate))
        throw BrisError::message(u"Elegí una calidad de audio disponible."_s);
}

void DownloadProfile::writeJson(JsonWriter& writer) const
{
    writer.beginObject();
    writer.key("kind"_L1);
    writer.value(rawValue(kind));
    writer.key("audio"_L1);
    writer.value(rawValue(audio));
    writer.key("bitrate"_L1);
    writer.value(bitrate);
    writer.key("container"_L1);
    writer.value(rawValue(container));
    writer.key("height"_L1);
    writer.value(height);
    writer.key("metadata"_L1);
    writer.value(metadata);
    writer.endObject();
}

QJsonObject DownloadProfile::toJson() const
{
    return jsonObject(*this);
}

std::optional<DownloadProfile> DownloadProfile::fromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto kind = StrictJson::enumeration<DownloadKind>(object.value(u"kind"_s));
    const auto audio = StrictJson::enumeration<AudioFormat>(object.value(u"audio"_s));
    const auto bitrate = StrictJson::integer(object.value(u"bitrate"_s));
    const auto container = StrictJson::enumeration<VideoContainer>(object.value(u"container"_s));
    const auto height = StrictJson::integer(object.value(u"height"_s));
    const auto metadata = StrictJson::boolean(object.value(u"metadata"_s));
    if (!kind || !audio || !bitrate || !container || !height || !metadata)
        return std::nullopt;
    return DownloadProfile { *kind, *audio, *bitrate, *container, *height, *metadata };
}

size_t qHash(const DownloadProfile& profile, size_t seed) noexcept
{
    return qHashMulti(seed, int(profile.kind), int(profile.audio), profile.bitrate, int(profile.container),
        profile.height, profile.metadata);
}
