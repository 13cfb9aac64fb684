#pragma once

#include "MediaPlatform.h"
#include "SuiteSupport.h"

#include <QList>
#include <QString>

#include <utility>

class Downloader;

// The checks of the Facebook, Instagram and X / Twitter side of the program.
namespace SocialValidation {

// Post documents, clip selection, separate renditions and MP4 preparation on
// media made in `root`, through the real downloader and converter reading local
// files. Throws a BrisError message at the first failure.
void offline(
    const Downloader& engine, const QString& root, const SuiteSupport::Printer& print = SuiteSupport::printLine);

// One public video per platform, saved as MP4 and as MP3 from the cached
// original; writes "social-report.json" and returns the exit status.
int live(const SuiteSupport::Printer& print = SuiteSupport::printLine);

// The public links of the live suite, in the order they run.
QList<std::pair<MediaPlatform, QString>> liveLinks();

// The profile height for a video offering `heights`: the smallest one, rounded
// up to the next height a profile may ask for; 0 (the best) when nothing is known.
qint64 liveHeight(const QList<qint64>& heights);

} // namespace SocialValidation
