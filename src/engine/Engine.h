#pragma once

#include "BrisPaths.h"
#include "Cancellation.h"
#include "DownloadJob.h"
#include "DownloadUpdate.h"
#include "EngineRefresh.h"
#include "MediaProbe.h"
#include "VideoInfo.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

// What the application asks of the engine. Every operation is blocking,
// thread-safe and keeps no state between calls, so the application runs them on
// worker threads; tests and the self-check put their own engines in its place.
class Engine
{
public:
    // The sound of a video as fetched, unchanged, kept in the originals cache.
    struct Original
    {
        QString file;
        // Served from the cache instead of a new download.
        bool reused = false;
    };

    Engine() = default;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
    virtual ~Engine();

    // Where the program keeps its own files.
    virtual const BrisPaths& paths() const = 0;

    // The engine check: proves the four tools start and node is one yt-dlp
    // accepts. "yt-dlp <version>" and the first line of ffmpeg's version text.
    virtual QString versions(const CancellationPtr& cancel = std::make_shared<Cancellation>()) const = 0;
    // The videos behind a pasted link, from yt-dlp's metadata.
    virtual QList<VideoInfo> analyze(const QString& text, const CancellationPtr& cancel) const = 0;
    // Measures a media file with ffprobe.
    virtual MediaProbe probe(const QString& file, const CancellationPtr& cancel) const = 0;

    // The video's original sound: the cached one when it still checks out,
    // else fetched anew (which then trims the cache). A damaged or stale cache
    // entry is fetched again, never an error.
    virtual Original original(
        const VideoInfo& video, const CancellationPtr& cancel, const UpdateCallback& update) const = 0;
    // Bytes of the regular files in the originals cache; 0 when it cannot be listed.
    virtual qint64 cacheBytes() const = 0;
    // Empties the originals cache. Throws SystemError.
    virtual void clearCache() const = 0;

    // Makes an MP4 of `input` that the platform's player opens, copying the
    // streams that already suit it. Overwrites `output`.
    virtual void prepareMP4(const QString& input, const QString& output, const CancellationPtr& cancel,
        const UpdateCallback& update) const = 0;
    // Produces the job's verified file in its folder and returns the job as
    // completed. A failure leaves no new file in the folder; the job's hidden
    // work directory stays for a retry to continue in.
    virtual DownloadJob exportJob(
        const DownloadJob& job, const CancellationPtr& cancel, const UpdateCallback& update) const = 0;

    // What the folder's volume offers for important data; nothing when unknown.
    virtual std::optional<qint64> availableBytes(const QString& folder) const = 0;

    // Keeping yt-dlp current; engines without tools of their own have nothing to refresh.
    // The versions line of the settings; empty when there is none.
    virtual QString versionsLine(const CancellationPtr& cancel) const;
    // The refresh of this engine's yt-dlp; nothing when it cannot be refreshed.
    virtual std::optional<EngineRefresh> refresher() const;
    // The same engine over the yt-dlp recorded now, for the jobs that start from
    // here on; null when nothing can have changed.
    virtual std::shared_ptr<Engine> reloaded() const;
};
