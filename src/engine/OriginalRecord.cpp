#include "OriginalRecord.h"

#include "StrictJson.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;

QByteArray OriginalRecord::toJson() const
{
    QJsonObject object { { u"videoID"_s, videoID }, { u"filename"_s, filename }, { u"duration"_s, duration },
        { u"bytes"_s, bytes } };
    if (modified)
        object.insert(u"modified"_s, *modified);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<OriginalRecord> OriginalRecord::fromJson(const QByteArray& data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const std::optional<QString> videoID = StrictJson::text(object.value(u"videoID"_s));
    const std::optional<QString> filename = StrictJson::text(object.value(u"filename"_s));
    const std::optional<double> duration = StrictJson::number(object.value(u"duration"_s));
    const std::optional<qint64> bytes = StrictJson::integer(object.value(u"bytes"_s));
    if (!videoID || !filename || !duration || !bytes)
        return std::nullopt;
    return OriginalRecord { *videoID, *filename, *duration, *bytes, StrictJson::integer(object.value(u"modified"_s)) };
}
