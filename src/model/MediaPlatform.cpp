#include "MediaPlatform.h"

using namespace Qt::Literals::StringLiterals;

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
