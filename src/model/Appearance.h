#pragma once

#include "ColorScheme.h"
#include "EnumText.h"

#include <optional>

// The look the user chose; the raw values are stored in the preferences file.
enum class Appearance { system, dark, light };

template <> struct EnumTable<Appearance>
{
    static constexpr EnumCase<Appearance> cases[] = {
        { Appearance::system, u"system", u"Sistema" },
        { Appearance::dark, u"dark", u"Oscuro" },
        { Appearance::light, u"light", u"Claro" },
    };
};

// Nothing follows the system's scheme.
inline std::optional<ColorScheme> colorScheme(Appearance appearance)
{
    switch (appearance) {
    case Appearance::dark:
        return ColorScheme::dark;
    case Appearance::light:
        return ColorScheme::light;
    case Appearance::system:
        break;
    }
    return std::nullopt;
}
