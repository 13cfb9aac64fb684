#pragma once

#include "TextFormatting.h"

#include <QString>

#include <optional>

// The file operations of the engine. Failures that reach the user are thrown as
// SystemError with a sentence naming the file and the system's reason.
namespace FileSystem {

// Creates `path` and its missing parents; an existing directory is fine. `what`
// names the folder in the error's sentence.
void makeDirectories(const QString& path, const QString& what = QStringLiteral("la carpeta"));
// Deletes the file (or link) at `path` when there is one.
void removeFile(const QString& path);
// Deletes `path` with everything under it. Symbolic links are removed, never
// followed, so a planted link cannot reach outside.
void removeTree(const QString& path);
// The same, ignoring errors.
void discardTree(const QString& path) noexcept;
// Renames `from` to `to`, replacing a file there.
void rename(const QString& from, const QString& to);

// Moves `from` to `to` unless something (even a dangling link) already has that
// name: false then, and both stay as they were. Atomic where the file system
// knows a rename that never replaces; else a hard link, which never replaces
// either, then the old name's removal.
bool moveWithoutReplacing(const QString& from, const QString& to);
// The fallback of moveWithoutReplacing on its own, for file systems without the
// atomic rename.
bool linkWithoutReplacing(const QString& from, const QString& to);

// The name rules of the file system that holds `folder`, which must exist.
NameRules nameRules(const QString& folder);
// The same for a file system type as the mount table names it ("vfat",
// "fuseblk", "fuse.exfat"...).
NameRules nameRulesOfType(const QString& type);

// `path` with its symbolic links resolved; empty when it does not exist.
QString realPath(const QString& path);
// The real path of the regular file a tool reported, when it lies below
// `directory` once both have their symbolic links resolved; otherwise nothing.
// `root` is realPath(directory) taken before the tool ran: a directory that
// now resolves elsewhere was replaced by a link, and nothing in it is taken.
std::optional<QString> fileInside(const QString& reported, const QString& directory, const QString& root);

// `path` written so that yt-dlp's output template reads it literally.
QString templateLiteral(const QString& path);

// The size of `path` itself (a link is not followed); nothing for anything but a
// regular file.
std::optional<qint64> regularFileSize(const QString& path);

} // namespace FileSystem
