#pragma once

#include "DownloadProfile.h"
#include "VideoInfo.h"

#include <QList>

#include <optional>

// The standard heights between the smallest and the largest that `info` has in
// `container`, largest first; nothing before an analysis.
QList<qint64> offeredHeights(const std::optional<VideoInfo>& info, VideoContainer container);

// `profile` kept within the bit rates of its audio format and, once a video is
// analysed, within the heights it offers: 192 kbps and 1080 are preferred when
// a choice falls off, and "best available" (0) always stays.
DownloadProfile snapped(DownloadProfile profile, const std::optional<VideoInfo>& info);
