#pragma once

#include <QVariantMap>

// The information an application bundle carries ("BrisUpdatesEnabled",
// "SUFeedURL", "SUPublicEDKey", "CFBundleShortVersionString"), as compiled
// into this build. Values keep their types: a Boolean is a bool, texts are strings.
QVariantMap applicationInfo();
