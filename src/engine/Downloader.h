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
#include <QStringList>

#include <memory>
#include <optional>

// The engine: every operation is blocking, thread-safe and keeps no state
// between calls, so the application runs them on worker threads. The
// operations live in one source file per concern. They are virtual so that the
// application's tests can put a controllable engine in its place.
class Downloader
{
public:
    // The sound of a video as fetched, unchanged, kept in the originals cache.
    struct Original
    {
        QString file;
        // Served from the cache instead of a new download.
        bool reused = false;
    };

    explicit Downloader(Toolchain tools = Toolchain(), BrisPaths paths = BrisPaths());
    virtual ~Downloader();

    const Toolchain& tools() const { return m_tools; }
    const BrisPaths& paths() const { return m_paths; }

    // The engine check: proves the four tools start and node is one yt-dlp
    // accepts. "yt-dlp <version>" and the first line of ffmpeg's version text.
    virtual QString versions(const CancellationPtr& cancel = std::make_shared<Cancellation>()) const;
    // The videos behind a pasted link, from yt-dlp's metadata.
    virtual QList<VideoInfo> analyze(const QString& text, const CancellationPtr& cancel) const;
    // Measures a media file with ffprobe.
    virtual MediaProbe probe(const QString& file, const CancellationPtr& cancel) const;

    // The video's original sound: the cached one when it still checks out,
    // else fetched anew (which then trims the cache). A damaged or stale cache
    // entry is fetched again, never an error.
    virtual Original original(
        const VideoInfo& video, const CancellationPtr& cancel, const UpdateCallback& update) const;
    // Bytes of the regular files in the originals cache; 0 when it cannot be listed.
    virtual qint64 cacheBytes() const;
    // Empties the originals cache. Throws SystemError.
    virtual void clearCache() const;

    // Makes an MP4 of `input` that the platform's player opens, copying the
    // streams that already suit it. Overwrites `output`.
    virtual void prepareMP4(
        const QString& input, const QString& output, const CancellationPtr& cancel, const UpdateCallback& update) const;
    // Produces the job's verified file in its folder and returns the job as
    // completed. A failure leaves no new file in the folder; the job's hidden
    // work directory stays for a retry to continue in.
    virtual DownloadJob exportJob(
        const DownloadJob& job, const CancellationPtr& cancel, const UpdateCallback& update) const;

    // The tool arguments, as pure functions of their inputs.
    QStringList fetchArguments(const VideoInfo& video, const QString& partialDirectory) const;
    QStringList videoArguments(
        const VideoInfo& video, const DownloadProfile& profile, const QString& workDirectory) const;
    static QStringList conversionArguments(
        const QString& original, const DownloadProfile& profile, const VideoInfo& video, const QString& output);
    static QStringList mp4Arguments(const QString& input, const QString& output, bool copyVideo, bool copyAudio);

    // The job's progress for one line of ffmpeg's progress output while it
    // converts `duration` seconds; nothing for other lines.
    static std::optional<double> conversionProgress(const QString& line, double duration);
    // The free bytes a folder must exceed for the job to start.
    static qint64 requiredSpace(const DownloadProfile& profile, double duration);
    // The delivered file's first-choice name.
    static QString fileName(
        const VideoInfo& video, const DownloadProfile& profile, const MediaProbe& result, const QString& extension);

    static constexpr qint64 cacheLimit = 1'073'741'824;

protected:
    // What the folder's volume offers for important data; nothing when unknown.
    virtual std::optional<qint64> availableBytes(const QString& folder) const;

private:
    // A missing token is a caller's slip; the runs still need one.
    static CancellationPtr orNew(const CancellationPtr& cancel);
    static void notify(
        const UpdateCallback& update, JobState state, double progress, const QString& detail, bool reused);

    struct Fetched
    {
        Original original;
        MediaProbe probe;
    };
    Fetched fetchOrReuse(const VideoInfo& video, const CancellationPtr& cancel, const UpdateCallback& update) const;
    std::optional<Fetched> reuse(const VideoInfo& video, const QString& directory, const CancellationPtr& cancel) const;
    Fetched fetch(const VideoInfo& video, const QString& directory, const CancellationPtr& cancel,
        const UpdateCallback& update) const;
    void pruneCache(const QString& keep) const;

    void convert(const QString& original, double duration, const DownloadJob& job, const QString& output, bool reused,
        const CancellationPtr& cancel, const UpdateCallback& update) const;

    // The file a job makes in its work directory, before it is checked and delivered.
    struct Candidate
    {
        QString file;
        bool reused = false;
    };
    Candidate audioCandidate(
        const DownloadJob& job, const QString& work, const CancellationPtr& cancel, const UpdateCallback& update) const;
    Candidate videoCandidate(
        const DownloadJob& job, const QString& work, const CancellationPtr& cancel, const UpdateCallback& update) const;

    Toolchain m_tools;
    BrisPaths m_paths;
};
