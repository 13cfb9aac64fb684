// yt-dlp's metadata document through parseAll, for a link of the platform the
// first byte picks, and each parsed video through the history file and back.
#include "FuzzCheck.h"

#include "BrisError.h"
#include "DownloadJob.h"
#include "MediaLink.h"
#include "TextFormatting.h"
#include "VideoInfo.h"

#include <QSet>

#include <cstddef>
#include <cstdint>

using namespace Qt::Literals::StringLiterals;

namespace {

const MediaLink& linkFor(uint8_t selector)
{
    static const QList<MediaLink> links = [] {
        QList<MediaLink> made;
        for (const QString& text :
            { u"https://www.youtube.com/watch?v=dQw4w9WgXcQ"_s, u"https://www.facebook.com/watch/?v=1234567890123"_s,
                u"https://www.instagram.com/p/Cabcde12345/"_s, u"https://x.com/someone/status/1234567890123"_s })
            made.append(*MediaLink::make(text));
        return made;
    }();
    return links[selector % links.size()];
}

bool cleanText(const QString& text)
{
    return !text.isEmpty() && !containsControl(text) && graphemeCount(text) <= 500;
}

void checkVideo(const VideoInfo& video, const MediaLink& link)
{
    fuzzCheck(video.provider == link.platform() && video.sourceURL == link.url(), "a video keeps its link", video.id);
    fuzzCheck(video.validSource(), "a parsed video passes the source check", video.id);
    fuzzCheck(cleanText(video.title), "a title is clean and bounded", video.title);
    fuzzCheck(cleanText(video.author), "an author is clean and bounded", video.author);
    fuzzCheck(!video.thumbnailURL || graphemeCount(*video.thumbnailURL) <= 4096, "a thumbnail address is bounded");
    fuzzCheck(!video.formats.isEmpty(), "a video has renditions", video.id);
    for (const VideoFormat& format : video.formats) {
        fuzzCheck(format.height >= 1 && format.height <= 16384, "a rendition height is in range");
        fuzzCheck(format.codec != u"none"_s && graphemeCount(format.codec) <= 99, "a codec is usable", format.codec);
    }

    // A video that parsed becomes part of a job; its record must read back as it was
    // written, or the whole history would be lost at the next launch.
    DownloadJob job = DownloadJob::make(video, DownloadProfile {}, u"/tmp/Brisomar"_s, JobState::completed, false);
    job.id = QUuid(u"6F2A1B3C-4D5E-4F60-8172-93A4B5C6D7E8"_s);
    job.created = fromReferenceSeconds(800'000'000.25);
    const std::optional<QList<DownloadJob>> history = DownloadJob::decodeHistory(DownloadJob::encodeHistory({ job }));
    fuzzCheck(
        history && history->size() == 1 && history->first() == job, "a job record reads back as written", video.id);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const MediaLink& link = linkFor(data[0]);
    const QByteArray output(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    QList<VideoInfo> videos;
    try {
        videos = VideoInfo::parseAll(output, link);
    } catch (const JsonError&) {
        return 0;
    } catch (const BrisError& error) {
        fuzzCheck(
            error.kind() == BrisError::Kind::Message && !error.payload().isEmpty(), "parseAll refuses with a sentence");
        return 0;
    }

    fuzzCheck(!videos.isEmpty(), "parseAll never returns an empty list");
    fuzzCheck(videos.size() <= 20, "a post has at most 20 videos");
    QSet<QString> ids;
    for (const VideoInfo& video : std::as_const(videos)) {
        fuzzCheck(!ids.contains(video.id), "ids in a post are unique", video.id);
        ids.insert(video.id);
        checkVideo(video, link);
    }
    return 0;
}
