#include "MediaPlatform.h"

using namespace Qt::Literals::StringLiterals;

QString title(MediaPlatform platform)
{
    switch (platform) {
    case MediaPlatform::youtube:
        return u"YouTube"_s;
    case MediaPlatform::facebook:
        return u"Facebook"_s;
    case MediaPlatform::instagram:
        return u"Instagram"_s;
    case MediaPlatform::twitter:
        return u"X / Twitter"_s;
    }
    Q_UNREACHABLE();
    return {};
}

QString rawValue(MediaPlatform platform)
{
    switch (platform) {
    case MediaPlatform::youtube:
        return u"youtube"_s;
    case MediaPlatform::facebook:
        return u"facebook"_s;
    case MediaPlatform::instagram:
        return u"instagram"_s;
    case MediaPlatform::twitter:
        return u"twitter"_s;
    }
    Q_UNREACHABLE();
    return {};
}

template <> QList<MediaPlatform> allCases<MediaPlatform>()
{
    return { MediaPlatform::youtube, MediaPlatform::facebook, MediaPlatform::instagram, MediaPlatform::twitter };
}

bool acceptsExtractor(MediaPlatform platform, const QString& key)
{
    const QString name = key.toLower();
    if (name.isEmpty())
        return false;
    const QString raw = rawValue(platform);
    if (name == raw || name.startsWith(raw + u':'))
        return true;
    return platform == MediaPlatform::facebook && name == u"facebookpluginsvideo"_s;
}
