#pragma once

#include "JobState.h"

#include <QString>

#include <functional>

// A progress report from the engine to its caller.
struct DownloadUpdate
{
    JobState state = JobState::downloading;
    // Fraction of the whole job, 0 to 1.
    double progress = 0;
    QString detail;
    // The job uses an original that was already in the cache.
    bool reused = false;

    friend bool operator==(const DownloadUpdate&, const DownloadUpdate&) = default;
};

// May be called from the thread that reads a tool's output.
using UpdateCallback = std::function<void(const DownloadUpdate&)>;
