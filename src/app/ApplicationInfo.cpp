#include "ApplicationInfo.h"

#include "BuildInfo.h"

using namespace Qt::Literals::StringLiterals;

QVariantMap applicationInfo()
{
    QVariantMap info {
        { u"BrisUpdatesEnabled"_s, bool(BRISOMAR_INFO_UPDATES_ENABLED) },
        { u"CFBundleShortVersionString"_s, QString::fromUtf8(BRISOMAR_INFO_VERSION) },
    };
    // An empty setting is a key the bundle does not carry.
    if (const QString feed = QString::fromUtf8(BRISOMAR_INFO_FEED_URL); !feed.isEmpty())
        info.insert(u"SUFeedURL"_s, feed);
    if (const QString key = QString::fromUtf8(BRISOMAR_INFO_PUBLIC_KEY); !key.isEmpty())
        info.insert(u"SUPublicEDKey"_s, key);
    return info;
}
