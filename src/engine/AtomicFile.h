#pragma once

#include <QByteArray>
#include <QString>

namespace AtomicFile {

// Replaces `path` with `data` in one step: a reader, or a restart after a crash
// at any moment, finds either the old content or the new, never a mix or an
// empty file. The data goes through a hidden temporary file beside the target,
// synced before the rename. A link is written through. Throws SystemError.
void write(const QString& path, const QByteArray& data);

// Deletes the temporary files that writes of `path` cut short by a crash left
// beside it, and nothing else. Only for a moment when no write of `path` is
// under way.
void discardLeftovers(const QString& path);

} // namespace AtomicFile
