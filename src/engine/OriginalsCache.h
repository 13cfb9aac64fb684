#pragma once

#include "BrisPaths.h"
#include "Cancellation.h"
#include "DownloadUpdate.h"
#include "Engine.h"
#include "MediaProbe.h"
#include "Toolchain.h"
#include "VideoInfo.h"

#include <QString>

#include <optional>

// The originals cache: each video's sound as fetched, in a directory named by its
// storage id beside an index that records it. Least recently used entries go
// once the cache outgrows its limit.
class OriginalsCache
{
public:
    // An original and its length as last measured.
    struct Fetched
    {
        Engine::Original original;
        double duration = 0;
    };

    // `engine` measures the files; all three must outlive the cache.
    OriginalsCache(const Engine& engine, const Toolchain& tools, const BrisPaths& paths);

    // See Engine::original; the length comes along.
    Fetched fetchOrReuse(const VideoInfo& video, const CancellationPtr& cancel, const UpdateCallback& update) const;
    // See Engine::cacheBytes and Engine::clearCache.
    qint64 bytes() const;
    void clear() const;

    // The date an index records for `file`; nothing unless it is a regular file.
    static std::optional<qint64> modified(const QString& file);

    static constexpr qint64 limit = 1'073'741'824;

private:
    std::optional<Fetched> reuse(const VideoInfo& video, const QString& directory, const CancellationPtr& cancel) const;
    Fetched fetch(const VideoInfo& video, const QString& directory, const CancellationPtr& cancel,
        const UpdateCallback& update) const;
    void prune(const QString& keep) const;

    const Engine& m_engine;
    const Toolchain& m_tools;
    const BrisPaths& m_paths;
};
