#pragma once

#include "EnumText.h"

enum class VideoContainer { mp4, mkv };

QString title(VideoContainer container);
QString rawValue(VideoContainer container);
template <> QList<VideoContainer> allCases<VideoContainer>();
