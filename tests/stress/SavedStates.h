#pragma once

#include "DownloadJob.h"
#include "Preferences.h"

#include <QList>

// The two states the killed writer alternates between, built alike by the
// writer and by the test that reads what it left.
namespace SavedStates {

// `second` picks state B. Both histories are large enough that a kill often
// lands in the middle of a write.
QList<DownloadJob> history(bool second);
Preferences preferences(bool second);

} // namespace SavedStates
