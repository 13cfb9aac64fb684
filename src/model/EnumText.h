#pragma once

#include <QList>
#include <QString>

#include <optional>

// Every model enumeration offers `QString title(E)`, `QString rawValue(E)` and a
// specialisation of `allCases<E>()` listing its cases in their display order.
template <class E> QList<E> allCases();

// The case whose raw value is exactly `raw`; any other text gives nothing.
template <class E> std::optional<E> fromRawValue(const QString& raw)
{
    for (const E value : allCases<E>()) {
        if (rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}
