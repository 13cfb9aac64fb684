#pragma once

#include "Cancellation.h"
#include "DownloadJob.h"
#include "DownloadUpdate.h"
#include "Toolchain.h"

#include <QString>

#include <optional>

class Engine;

// The engine's ffmpeg work: an audio job's conversion of the original sound,
// and the MP4 a video job delivers.
class Conversion
{
public:
    // `engine` measures the files; both must outlive the conversion.
    Conversion(const Engine& engine, const Toolchain& tools);

    // Converts `original` (`duration` seconds long) for `job` into `output`,
    // reporting its progress.
    void audio(const QString& original, double duration, const DownloadJob& job, const QString& output, bool reused,
        const CancellationPtr& cancel, const UpdateCallback& update) const;
    // See Engine::prepareMP4.
    void mp4(
        const QString& input, const QString& output, const CancellationPtr& cancel, const UpdateCallback& update) const;

    // The job's progress for one line of ffmpeg's progress output while it
    // converts `duration` seconds; nothing for other lines.
    static std::optional<double> progress(const QString& line, double duration);

private:
    const Engine& m_engine;
    const Toolchain& m_tools;
};
