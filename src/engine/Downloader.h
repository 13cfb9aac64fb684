#pragma once

#include "BrisPaths.h"
#include "Cancellation.h"
#include "DownloadJob.h"
#include "DownloadUpdate.h"
#include "MediaProbe.h"
#include "Toolchain.h"
#include "VideoInfo.h"

#include <QList>
#include <QString>

#include <memory>

// The engine: every operation is blocking, thread-safe and keeps no state
// between calls, so the application runs them on worker threads. The
// operations live in one source file per concern.
class Downloader
{
public:
    explicit Downloader(Toolchain tools = Toolchain(), BrisPaths paths = BrisPaths());
    virtual ~Downloader() = default;

    const Toolchain& tools() const { return m_tools; }
    const BrisPaths& paths() const { return m_paths; }

    // The engine check: proves the four tools start. "yt-dlp <version>" and the
    // first line of ffmpeg's version text.
    virtual QString versions(const CancellationPtr& cancel = std::make_shared<Cancellation>()) const;
    // The videos behind a pasted link, from yt-dlp's metadata.
    virtual QList<VideoInfo> analyze(const QString& text, const CancellationPtr& cancel) const;
    // Measures a media file with ffprobe.
    virtual MediaProbe probe(const QString& file, const CancellationPtr& cancel) const;

    struct Original
    {
        QString file;
        bool reused = false;
    };
    virtual Original original(
        const VideoInfo& video, const CancellationPtr& cancel, const UpdateCallback& update) const;
    virtual qint64 cacheBytes() const;
    virtual void clearCache() const;
    virtual void prepareMP4(
        const QString& input, const QString& output, const CancellationPtr& cancel, const UpdateCallback& update) const;
    virtual DownloadJob exportJob(
        const DownloadJob& job, const CancellationPtr& cancel, const UpdateCallback& update) const;

private:
    Toolchain m_tools;
    BrisPaths m_paths;
};
