#pragma once

#include "EnumText.h"

enum class DownloadKind { audio, video };

QString title(DownloadKind kind);
QString rawValue(DownloadKind kind);
template <> QList<DownloadKind> allCases<DownloadKind>();
