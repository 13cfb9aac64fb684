#pragma once

#include "DownloadUpdate.h"
#include "LastPath.h"

#include <QString>

// Reads a "BRISOMAR_PROGRESS:" line and reports the download as reaching `to`
// times its fraction. Other lines, and markers without a number, send nothing.
void progress(const QString& line, double to, const UpdateCallback& update);

// Records the path of a "BRISOMAR_FILE:" line (a JSON string); the last one wins,
// and one that does not decode leaves the earlier value.
void capturePath(const QString& line, LastPath& path);
