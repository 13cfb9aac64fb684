#pragma once

#include "EnumText.h"

// The window's three places; the raw values name them to the self-check.
enum class Section { newDownload, queue, library };

template <> struct EnumTable<Section>
{
    static constexpr EnumCase<Section> cases[] = {
        { Section::newDownload, u"new", u"Nueva descarga" },
        { Section::queue, u"queue", u"Cola de descargas" },
        { Section::library, u"library", u"Descargados" },
    };
};
