#pragma once

#include <QVariantMap>

// The information an application bundle carries, as this build has it: the
// version ("CFBundleShortVersionString") and an update channel that is off
// ("BrisUpdatesEnabled" false, no "SUFeedURL" nor "SUPublicEDKey").
QVariantMap applicationInfo();
