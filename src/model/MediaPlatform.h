#pragma once

#include "EnumText.h"

enum class MediaPlatform { youtube, facebook, instagram, twitter };

QString title(MediaPlatform platform);
QString rawValue(MediaPlatform platform);
template <> QList<MediaPlatform> allCases<MediaPlatform>();

// Whether the downloader's extractor name `key` belongs to `platform`.
bool acceptsExtractor(MediaPlatform platform, const QString& key);
