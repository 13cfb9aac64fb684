#pragma once

#include <QByteArray>
#include <QVersionNumber>

// The JavaScript runtime (node) through which yt-dlp solves YouTube's challenges.
namespace JsRuntime {

// The oldest node the bundled yt-dlp accepts: NodeJsRuntime.MIN_SUPPORTED_VERSION
// in its yt_dlp/utils/_jsruntime.py. yt-dlp quietly passes over an older one, and
// YouTube then withholds most formats.
inline const QVersionNumber minimum { 22, 0, 0 };

// Throws BrisError::message unless `output` names a node that yt-dlp accepts.
void require(const QByteArray& output);

} // namespace JsRuntime
