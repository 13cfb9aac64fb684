#pragma once

#include "BrisPaths.h"
#include "DownloadJob.h"

#include <QString>

// The program's own files on disk: its data folders and what identifies a
// job's destination.
namespace Storage {

// Creates the originals cache and its parents. Throws SystemError.
void prepare(const BrisPaths& paths);

// `folder` made absolute, cleaned and with symbolic links resolved; the part that
// does not exist yet is kept as written below its deepest existing ancestor.
QString canonicalFolderPath(const QString& folder);

// Equal exactly when two jobs would save the same video in the same form into
// the same real folder, however the folder is spelled.
QString jobKey(const DownloadJob& job);

} // namespace Storage
