#pragma once

#include "EnumText.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// Strict readers for the program's own records: a value of the wrong type is
// "nothing", never a silent default.
namespace StrictJson {

std::optional<QString> text(const QJsonValue& value);
std::optional<bool> boolean(const QJsonValue& value);
std::optional<double> number(const QJsonValue& value);
// A JSON number with no fraction that fits in 64 bits.
std::optional<qint64> integer(const QJsonValue& value);
// Any JSON number cut to a 64-bit integer, saturating at the ends of the range.
std::optional<qint64> truncatedInteger(const QJsonValue& value);

template <class E> std::optional<E> enumeration(const QJsonValue& value)
{
    const std::optional<QString> raw = text(value);
    return raw ? fromRawValue<E>(*raw) : std::nullopt;
}

// An optional field: missing or null is "absent" (the outer optional holds an
// empty inner one); any other value must decode or the field fails (nothing).
template <class T, class Read>
std::optional<std::optional<T>> optionalField(const QJsonObject& object, const QString& key, Read read)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::optional<T>();
    const std::optional<T> decoded = read(value);
    if (!decoded)
        return std::nullopt;
    return decoded;
}

} // namespace StrictJson
