#include "StrictJson.h"

#include <cmath>
#include <limits>

namespace StrictJson {

std::optional<QString> text(const QJsonValue& value)
{
    return value.isString() ? std::optional(value.toString()) : std::nullopt;
}

std::optional<bool> boolean(const QJsonValue& value)
{
    return value.isBool() ? std::optional(value.toBool()) : std::nullopt;
}

std::optional<double> number(const QJsonValue& value)
{
    return value.isDouble() ? std::optional(value.toDouble()) : std::nullopt;
}

std::optional<qint64> integer(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    // toInteger is exact for integers the parser read as integers (the whole 64-bit
    // range the writer puts out) and for doubles that convert without loss; it falls
    // back to its default for anything else, so two defaults tell the cases apart.
    const qint64 value0 = value.toInteger(0);
    if (value0 != value.toInteger(1))
        return std::nullopt;
    return value0;
}

std::optional<qint64> truncatedInteger(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = std::trunc(value.toDouble());
    if (std::isnan(d))
        return std::nullopt;
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    constexpr qint64 highest = std::numeric_limits<qint64>::max();
    if (d <= double(lowest))
        return lowest;
    if (d >= double(highest))
        return highest;
    return value.toInteger(qint64(d));
}

} // namespace StrictJson
