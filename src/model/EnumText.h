#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <type_traits>

// One case of a model enumeration: its value, the text stored in files and
// passed to tools, and the title shown to the user.
template <class E> struct EnumCase
{
    E value;
    const char16_t* raw;
    const char16_t* title;
};

// Specialised next to every model enumeration with
// `static constexpr EnumCase<E> cases[]`, one row per case in display order.
template <class E> struct EnumTable;

template <class E>
concept TabledEnum = std::is_enum_v<E> && requires { EnumTable<E>::cases; };

template <TabledEnum E> const EnumCase<E>& enumCase(E value)
{
    for (const EnumCase<E>& row : EnumTable<E>::cases)
        if (row.value == value)
            return row;
    Q_UNREACHABLE();
    return EnumTable<E>::cases[0];
}

template <TabledEnum E> QString title(E value)
{
    return QString::fromUtf16(enumCase(value).title);
}

template <TabledEnum E> QString rawValue(E value)
{
    return QString::fromUtf16(enumCase(value).raw);
}

template <TabledEnum E> QList<E> allCases()
{
    QList<E> values;
    for (const EnumCase<E>& row : EnumTable<E>::cases)
        values.append(row.value);
    return values;
}

// The case whose raw value is exactly `raw`; any other text gives nothing.
template <TabledEnum E> std::optional<E> fromRawValue(const QString& raw)
{
    for (const EnumCase<E>& row : EnumTable<E>::cases)
        if (raw == QStringView(row.raw))
            return row.value;
    return std::nullopt;
}
