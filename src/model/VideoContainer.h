#pragma once

#include "EnumText.h"

enum class VideoContainer { mp4, mkv };

template <> struct EnumTable<VideoContainer>
{
    static constexpr EnumCase<VideoContainer> cases[] = {
        { VideoContainer::mp4, u"mp4", u"MP4 · compatible con Mac" },
        { VideoContainer::mkv, u"mkv", u"MKV · máxima calidad disponible" },
    };
};
