#pragma once

#include "EnumText.h"

enum class MediaPlatform { youtube, facebook, instagram, twitter };

template <> struct EnumTable<MediaPlatform>
{
    static constexpr EnumCase<MediaPlatform> cases[] = {
        { MediaPlatform::youtube, u"youtube", u"YouTube" },
        { MediaPlatform::facebook, u"facebook", u"Facebook" },
        { MediaPlatform::instagram, u"instagram", u"Instagram" },
        { MediaPlatform::twitter, u"twitter", u"X / Twitter" },
    };
};

// Whether the downloader's extractor name `key` belongs to `platform`.
bool acceptsExtractor(MediaPlatform platform, const QString& key);
