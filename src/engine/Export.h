#pragma once

#include "BrisPaths.h"
#include "Cancellation.h"
#include "Conversion.h"
#include "DownloadJob.h"
#include "DownloadUpdate.h"
#include "MediaProbe.h"
#include "TextFormatting.h"
#include "Toolchain.h"

#include <QString>

class Engine;
class OriginalsCache;

// A job's way from the request to its verified file in the user's folder: the
// candidate is made in a hidden work directory there, measured, then delivered
// under a free name.
class Export
{
public:
    // Every part must outlive the export.
    Export(const Engine& engine, const OriginalsCache& cache, const Conversion& conversion, const Toolchain& tools,
        const BrisPaths& paths);

    // See Engine::exportJob.
    DownloadJob run(const DownloadJob& job, const CancellationPtr& cancel, const UpdateCallback& update) const;

    // The free bytes a folder must exceed for the job to start.
    static qint64 requiredSpace(const DownloadProfile& profile, double duration);
    // The delivered file's first-choice name, under the rules of its folder's disk.
    static QString fileName(const VideoInfo& video, const DownloadProfile& profile, const MediaProbe& result,
        const QString& extension, NameRules rules);

private:
    // The file a job makes in its work directory, before it is checked and delivered.
    struct Candidate
    {
        QString file;
        bool reused = false;
        // ffmpeg's account of an audio conversion.
        std::optional<Conversion::Written> written;
    };
    Candidate audioCandidate(
        const DownloadJob& job, const QString& work, const CancellationPtr& cancel, const UpdateCallback& update) const;
    Candidate videoCandidate(
        const DownloadJob& job, const QString& work, const CancellationPtr& cancel, const UpdateCallback& update) const;
    MediaProbe measure(const Candidate& candidate, const CancellationPtr& cancel) const;

    const Engine& m_engine;
    const OriginalsCache& m_cache;
    const Conversion& m_conversion;
    const Toolchain& m_tools;
    const BrisPaths& m_paths;
};
