#include "QualityLadder.h"

#include <algorithm>

QList<qint64> offeredHeights(const std::optional<VideoInfo>& info, VideoContainer container)
{
    static const QList<qint64> ladder = { 4320, 2160, 1440, 1080, 720, 480, 360, 240, 144 };
    if (!info)
        return {};
    const QList<qint64> heights = info->heights(container);
    if (heights.isEmpty())
        return {};
    const auto [lowest, highest] = std::minmax_element(heights.cbegin(), heights.cend());
    QList<qint64> offered;
    for (const qint64 height : ladder)
        if (height >= *lowest && height <= *highest)
            offered.append(height);
    return offered;
}

DownloadProfile snapped(DownloadProfile profile, const std::optional<VideoInfo>& info)
{
    const QList<qint64> rates = qualities(profile.audio);
    if (!rates.isEmpty() && !rates.contains(profile.bitrate))
        profile.bitrate = rates.contains(192) ? 192 : rates.first();
    if (info) {
        const QList<qint64> heights = offeredHeights(info, profile.container);
        if (!heights.contains(profile.height) && profile.height != 0)
            profile.height = heights.contains(1080) ? 1080 : heights.isEmpty() ? 0 : heights.first();
    }
    return profile;
}
