#include "VideoFormat.h"

#include "JsonFields.h"

#include <QHashFunctions>

using namespace Qt::Literals::StringLiterals;

QJsonObject VideoFormat::toJson() const
{
    QJsonObject object {
        { u"height"_s, height },
        { u"width"_s, width },
        { u"codec"_s, codec },
        { u"hasAudio"_s, hasAudio },
    };
    if (bytes)
        object.insert(u"bytes"_s, *bytes);
    return object;
}

std::optional<VideoFormat> VideoFormat::fromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto height = JsonFields::integer(object.value(u"height"_s));
    const auto width = JsonFields::integer(object.value(u"width"_s));
    const auto codec = JsonFields::text(object.value(u"codec"_s));
    const auto hasAudio = JsonFields::boolean(object.value(u"hasAudio"_s));
    const auto bytes = JsonFields::optionalField<qint64>(object, u"bytes"_s, JsonFields::integer);
    if (!height || !width || !codec || !hasAudio || !bytes)
        return std::nullopt;
    return VideoFormat { *height, *width, *codec, *hasAudio, *bytes };
}

size_t qHash(const VideoFormat& format, size_t seed) noexcept
{
    return qHashMulti(seed, format.height, format.width, format.codec, format.hasAudio, format.bytes.value_or(-1),
        format.bytes.has_value());
}
