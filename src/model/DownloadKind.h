#pragma once

#include "EnumText.h"

enum class DownloadKind { audio, video };

template <> struct EnumTable<DownloadKind>
{
    static constexpr EnumCase<DownloadKind> cases[] = {
        { DownloadKind::audio, u"audio", u"Audio" },
        { DownloadKind::video, u"video", u"Video" },
    };
};
