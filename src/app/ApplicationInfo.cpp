#include "ApplicationInfo.h"

#include "BuildInfo.h"

using namespace Qt::Literals::StringLiterals;

QVariantMap applicationInfo()
{
    // On Linux the program is updated with its package, so no build carries an
    // update channel: no feed, no key, never enabled.
    return {
        { u"BrisUpdatesEnabled"_s, false },
        { u"CFBundleShortVersionString"_s, QString::fromUtf8(BRISOMAR_INFO_VERSION) },
    };
}
