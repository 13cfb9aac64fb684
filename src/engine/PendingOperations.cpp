#include "Downloader.h"

#include "BrisError.h"

using namespace Qt::Literals::StringLiterals;

// Placeholders until the cache and export land on main; they keep the
// application building and fail plainly if reached.
namespace {
[[noreturn]] void unavailable()
{
    throw BrisError::message(u"Esta versión todavía no puede exportar."_s);
}
} // namespace

Downloader::Original Downloader::original(const VideoInfo&, const CancellationPtr&, const UpdateCallback&) const
{
    unavailable();
}

qint64 Downloader::cacheBytes() const
{
    return 0;
}

void Downloader::clearCache() const { }

void Downloader::prepareMP4(const QString&, const QString&, const CancellationPtr&, const UpdateCallback&) const
{
    unavailable();
}

DownloadJob Downloader::exportJob(const DownloadJob&, const CancellationPtr&, const UpdateCallback&) const
{
    unavailable();
}
