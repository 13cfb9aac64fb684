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
    // What ffmpeg's last progress report ("progress=end") says of the file it wrote.
    struct Written
    {
        // Seconds, from the last timestamp it wrote.
        double duration = 0;
        qint64 bytes = 0;
    };

    // Reads ffmpeg's progress output, block by block.
    class Report
    {
    public:
        void read(const QString& line);
        // Nothing until a final block with a positive length and size has been read.
        std::optional<Written> written() const { return m_written; }

    private:
        Written m_block;
        std::optional<Written> m_written;
    };

    // `engine` measures the files; both must outlive the conversion.
    Conversion(const Engine& engine, const Toolchain& tools);

    // Converts `original` (`duration` seconds long) for `job` into `output`,
    // reporting its progress; returns ffmpeg's account of the output.
    std::optional<Written> audio(const QString& original, double duration, const DownloadJob& job,
        const QString& output, bool reused, const CancellationPtr& cancel, const UpdateCallback& update) const;
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
