#pragma once

#include "Cancellation.h"
#include "Toolchain.h"

#include <QString>

// Whether the tools root's yt-dlp takes the engine's node as the solver of
// YouTube's JavaScript challenges. It says so only in its verbose header.
namespace JsRuntimeCheck {

struct Result
{
    bool accepted = false;
    // "node 24.22.3" when accepted, else what yt-dlp said about the runtimes.
    QString detail;
};

// Runs yt-dlp -v with the engine's common arguments on a local page that embeds
// a YouTube video, written into `folder`. The run reaches the YouTube extractor,
// which lists the solvers, and then fails against a local port that refuses
// every connection: nothing leaves the machine.
Result run(const Toolchain& tools, const QString& folder, const CancellationPtr& cancel);

} // namespace JsRuntimeCheck
