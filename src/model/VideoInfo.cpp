#include "VideoInfo.h"

#include "BrisError.h"
#include "JsonWriter.h"
#include "StrictJson.h"
#include "TextFormatting.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype maxOutputBytes = 16'000'000;
constexpr qsizetype maxPostEntries = 20;
constexpr double maxDuration = 43200;
constexpr qint64 maxHeight = 16384;
constexpr qsizetype maxCodecLength = 99;
constexpr qsizetype maxTextLength = 500;
constexpr qsizetype maxThumbnailLength = 4096;

BrisError unreadable()
{
    return BrisError::message(u"No se pudo leer la información del video."_s);
}

BrisError foreign()
{
    return BrisError::message(u"La plataforma devolvió un enlace de otro servicio o una publicación no compatible."_s);
}

bool validID(const QString& id)
{
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(u"[A-Za-z0-9_-]{1,120}"_s));
    return pattern.match(id).hasMatch();
}

bool validDuration(double duration)
{
    return std::isfinite(duration) && duration >= 0 && duration <= maxDuration;
}

// The value of the first of `keys` that `object` has, whatever that value is.
// A present null or wrongly typed value ends the search all the same.
QJsonValue firstPresent(std::initializer_list<std::pair<const QJsonObject*, QString>> keys)
{
    for (const auto& [object, key] : keys) {
        if (object->contains(key))
            return object->value(key);
    }
    return QJsonValue(QJsonValue::Undefined);
}

std::optional<QList<QJsonObject>> arrayOfObjects(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    QList<QJsonObject> objects;
    const QJsonArray array = value.toArray();
    objects.reserve(array.size());
    for (const QJsonValue& element : array) {
        if (!element.isObject())
            return std::nullopt;
        objects.append(element.toObject());
    }
    return objects;
}

QString cleanText(const QJsonValue& value, const QString& fallback)
{
    const QString raw = value.isString() ? value.toString() : fallback;
    const QString cleaned = replacingControls(raw).trimmed();
    return cleaned.isEmpty() ? fallback : graphemePrefix(cleaned, maxTextLength);
}

std::optional<VideoFormat> rendition(const QJsonObject& format, const QJsonObject& entry)
{
    const QString codec = StrictJson::text(format.value(u"vcodec"_s)).value_or(u"unknown"_s);

    std::optional<double> rawHeight = StrictJson::number(format.value(u"height"_s));
    if (!rawHeight)
        rawHeight = StrictJson::number(entry.value(u"height"_s));
    // Compared before the conversion so that no value is out of the integer's range.
    if (!rawHeight || !(*rawHeight >= 1 && *rawHeight < maxHeight + 1))
        return std::nullopt;
    const auto height = qint64(*rawHeight);

    if (codec == u"none"_s || (codec.size() > maxCodecLength && graphemeCount(codec) > maxCodecLength))
        return std::nullopt;
    if (StrictJson::boolean(format.value(u"has_drm"_s)) == true)
        return std::nullopt;

    std::optional<qint64> width = StrictJson::truncatedInteger(format.value(u"width"_s));
    if (!width)
        width = StrictJson::truncatedInteger(entry.value(u"width"_s));

    const bool hasAudio
        = format.contains(u"acodec"_s) && StrictJson::text(format.value(u"acodec"_s)).value_or(u"none"_s) != u"none"_s;

    const QString sizeKey = format.contains(u"filesize"_s) ? u"filesize"_s : u"filesize_approx"_s;
    return VideoFormat { height, width.value_or(height), codec, hasAudio,
        StrictJson::truncatedInteger(format.value(sizeKey)) };
}

} // namespace

QList<VideoInfo> VideoInfo::parseAll(const QByteArray& output, const MediaLink& link)
{
    if (output.size() > maxOutputBytes)
        throw unreadable();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(output, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw JsonError(parseError.errorString());
    if (!document.isObject())
        throw unreadable();
    const QJsonObject root = document.object();
    const MediaPlatform platform = link.platform();

    QList<QJsonObject> candidates { root };
    if (const auto entries = arrayOfObjects(root.value(u"entries"_s))) {
        if (platform == MediaPlatform::youtube || entries->size() > maxPostEntries)
            throw BrisError::message(u"Elegí una publicación individual con hasta 20 videos."_s);
        candidates = *entries;
    }

    QList<VideoInfo> result;
    QSet<QString> seen;
    for (const QJsonObject& entry : std::as_const(candidates)) {
        const QJsonValue extractor
            = firstPresent({ { &entry, u"extractor"_s }, { &entry, u"extractor_key"_s }, { &root, u"extractor"_s } });
        if (!acceptsExtractor(platform, extractor.toString()))
            throw foreign();

        const std::optional<QString> id = StrictJson::text(entry.value(u"id"_s));
        if (!id || !validID(*id))
            throw foreign();

        const QString liveStatus = entry.value(u"live_status"_s).toString();
        if (StrictJson::boolean(entry.value(u"is_live"_s)) == true || liveStatus == u"is_live"_s
            || liveStatus == u"is_upcoming"_s || liveStatus == u"post_live"_s)
            throw BrisError::message(u"Los directos en curso y estrenos futuros no están disponibles."_s);

        const double duration = StrictJson::number(entry.value(u"duration"_s)).value_or(0);
        if (!validDuration(duration))
            continue;

        QList<VideoFormat> formats;
        for (const QJsonObject& format : arrayOfObjects(entry.value(u"formats"_s)).value_or(QList<QJsonObject>())) {
            if (const std::optional<VideoFormat> usable = rendition(format, entry))
                formats.append(*usable);
        }
        if (formats.isEmpty())
            continue;

        if (platform == MediaPlatform::youtube && youtubeID(link.url()) != *id)
            throw BrisError::message(u"El video recibido no coincide con el enlace."_s);

        if (seen.contains(*id))
            continue;
        seen.insert(*id);

        std::optional<QString> thumbnail = StrictJson::text(entry.value(u"thumbnail"_s));
        if (thumbnail)
            thumbnail = graphemePrefix(*thumbnail, maxThumbnailLength);

        const QString title = cleanText(
            firstPresent({ { &entry, u"title"_s }, { &root, u"title"_s } }), ::title(platform) + u' ' + *id);
        const QString author
            = cleanText(firstPresent({ { &entry, u"uploader"_s }, { &entry, u"channel"_s }, { &root, u"uploader"_s } }),
                ::title(platform));

        result.append(VideoInfo { *id, title, author, duration, formats, platform, link.url(), thumbnail });
    }

    if (result.isEmpty())
        throw BrisError::message(u"No se encontró un video publicado de hasta 12 horas con formatos disponibles. "
                                 u"Las fotos y publicaciones sin video no se pueden descargar."_s);
    return result;
}

MediaPlatform VideoInfo::platform() const
{
    return provider.value_or(MediaPlatform::youtube);
}

QString VideoInfo::url() const
{
    return sourceURL ? *sourceURL : youtubeWatchURL(id);
}

QString VideoInfo::storageID() const
{
    if (platform() == MediaPlatform::youtube)
        return id;
    const QByteArray digest = QCryptographicHash::hash(id.toUtf8(), QCryptographicHash::Sha256).toHex();
    return rawValue(platform()) + u'-' + QString::fromLatin1(digest);
}

bool VideoInfo::validSource() const
{
    if (!validDuration(duration) || !validID(id))
        return false;
    const std::optional<MediaLink> link = MediaLink::make(url());
    if (!link || link->platform() != platform())
        return false;
    return platform() != MediaPlatform::youtube || youtubeID(link->url()) == id;
}

std::optional<QUrl> VideoInfo::thumbnail() const
{
    if (platform() == MediaPlatform::youtube) {
        // No video yet (the empty card at launch): nothing to fetch.
        if (id.isEmpty())
            return std::nullopt;
        QUrl address;
        address.setScheme(u"https"_s);
        address.setHost(u"i.ytimg.com"_s);
        // Decoded mode escapes whatever a record read from disk might hold.
        address.setPath(u"/vi/"_s + id + u"/hqdefault.jpg"_s, QUrl::DecodedMode);
        return address;
    }
    // QUrl folds the scheme's case, so the rule looks at the text as written.
    if (!thumbnailURL || !thumbnailURL->startsWith(u"https:"_s))
        return std::nullopt;
    const QUrl address(*thumbnailURL, QUrl::StrictMode);
    if (!address.isValid() || address.scheme() != u"https"_s)
        return std::nullopt;
    return address;
}

QList<qint64> VideoInfo::heights(VideoContainer) const
{
    QList<qint64> result;
    for (const VideoFormat& format : formats) {
        if (format.height <= 0)
            continue;
        const qint64 side = format.width > 0 && format.width < format.height ? format.width : format.height;
        if (!result.contains(side))
            result.append(side);
    }
    std::sort(result.begin(), result.end(), std::greater<>());
    return result;
}

void VideoInfo::writeJson(JsonWriter& writer) const
{
    writer.beginObject();
    writer.key("id"_L1);
    writer.value(id);
    writer.key("title"_L1);
    writer.value(title);
    writer.key("author"_L1);
    writer.value(author);
    // A non-finite duration would be written as null and spoil the whole history;
    // -1 keeps the record readable and still fails the source check.
    writer.key("duration"_L1);
    writer.value(std::isfinite(duration) ? duration : -1.0);
    writer.key("formats"_L1);
    writer.beginArray();
    for (const VideoFormat& format : formats)
        format.writeJson(writer);
    writer.endArray();
    if (provider) {
        writer.key("provider"_L1);
        writer.value(rawValue(*provider));
    }
    if (sourceURL) {
        writer.key("sourceURL"_L1);
        writer.value(*sourceURL);
    }
    if (thumbnailURL) {
        writer.key("thumbnailURL"_L1);
        writer.value(*thumbnailURL);
    }
    writer.endObject();
}

QJsonObject VideoInfo::toJson() const
{
    return jsonObject(*this);
}

std::optional<VideoInfo> VideoInfo::fromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto id = StrictJson::text(object.value(u"id"_s));
    const auto title = StrictJson::text(object.value(u"title"_s));
    const auto author = StrictJson::text(object.value(u"author"_s));
    const auto duration = StrictJson::number(object.value(u"duration"_s));
    const auto provider
        = StrictJson::optionalField<MediaPlatform>(object, u"provider"_s, StrictJson::enumeration<MediaPlatform>);
    const auto sourceURL = StrictJson::optionalField<QString>(object, u"sourceURL"_s, StrictJson::text);
    const auto thumbnailURL = StrictJson::optionalField<QString>(object, u"thumbnailURL"_s, StrictJson::text);
    const QJsonValue formatValue = object.value(u"formats"_s);
    if (!id || !title || !author || !duration || !formatValue.isArray() || !provider || !sourceURL || !thumbnailURL)
        return std::nullopt;

    QList<VideoFormat> formats;
    const QJsonArray formatArray = formatValue.toArray();
    for (const QJsonValue& element : formatArray) {
        const std::optional<VideoFormat> format = VideoFormat::fromJson(element);
        if (!format)
            return std::nullopt;
        formats.append(*format);
    }
    return VideoInfo { *id, *title, *author, *duration, formats, *provider, *sourceURL, *thumbnailURL };
}
