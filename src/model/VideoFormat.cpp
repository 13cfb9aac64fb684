#include "VideoFormat.h"

#include "StrictJson.h"
#include "JsonWriter.h"

#include <QHashFunctions>

using namespace Qt::Literals::StringLiterals;

void VideoFormat::writeJson(JsonWriter& writer) const
{
    writer.beginObject();
    writer.key("height"_L1);
    writer.value(height);
    writer.key("width"_L1);
    writer.value(width);
    writer.key("codec"_L1);
    writer.value(codec);
    writer.key("hasAudio"_L1);
    writer.value(hasAudio);
    if (bytes) {
        writer.key("bytes"_L1);
        writer.value(*bytes);
    }
    writer.endObject();
}

QJsonObject VideoFormat::toJson() const
{
    return jsonObject(*this);
}

std::optional<VideoFormat> VideoFormat::fromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto height = StrictJson::integer(object.value(u"height"_s));
    const auto width = StrictJson::integer(object.value(u"width"_s));
    const auto codec = StrictJson::text(object.value(u"codec"_s));
    const auto hasAudio = StrictJson::boolean(object.value(u"hasAudio"_s));
    const auto bytes = StrictJson::optionalField<qint64>(object, u"bytes"_s, StrictJson::integer);
    if (!height || !width || !codec || !hasAudio || !bytes)
        return std::nullopt;
    return VideoFormat { *height, *width, *codec, *hasAudio, *bytes };
}

size_t qHash(const VideoFormat& format, size_t seed) noexcept
{
    return qHashMulti(seed, format.height, format.width, format.codec, format.hasAudio, format.bytes.value_or(-1),
        format.bytes.has_value());
}
