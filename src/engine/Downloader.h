#pragma once

#include "BrisPaths.h"
#include "Conversion.h"
#include "Engine.h"
#include "Export.h"
#include "OriginalsCache.h"
#include "Toolchain.h"

#include <QList>
#include <QString>

#include <optional>

// The real engine: the tools in a toolchain over the program's own files. It
// composes the originals cache, the conversions and the export; they call back
// through the Engine interface, so an engine derived from this one that
// replaces an operation sees it used everywhere. A yt-dlp recorded in the data
// directory (UserEngine) takes the place of the tools' own when it is made.
class Downloader : public Engine
{
public:
    explicit Downloader(Toolchain tools = Toolchain(), BrisPaths paths = BrisPaths());
    ~Downloader() override;

    const Toolchain& tools() const { return m_tools; }
    const BrisPaths& paths() const override { return m_paths; }

    QString versions(const CancellationPtr& cancel = std::make_shared<Cancellation>()) const override;
    QList<VideoInfo> analyze(const QString& text, const CancellationPtr& cancel) const override;
    MediaProbe probe(const QString& file, const CancellationPtr& cancel) const override;
    Original original(
        const VideoInfo& video, const CancellationPtr& cancel, const UpdateCallback& update) const override;
    qint64 cacheBytes() const override;
    void clearCache() const override;
    void prepareMP4(const QString& input, const QString& output, const CancellationPtr& cancel,
        const UpdateCallback& update) const override;
    DownloadJob exportJob(
        const DownloadJob& job, const CancellationPtr& cancel, const UpdateCallback& update) const override;
    QString versionsLine(const CancellationPtr& cancel) const override;
    std::optional<EngineRefresh> refresher() const override;
    std::shared_ptr<Engine> reloaded() const override;

protected:
    std::optional<qint64> availableBytes(const QString& folder) const override;

private:
    // The tools as given, before a recorded yt-dlp took the place of theirs.
    Toolchain m_given;
    Toolchain m_tools;
    BrisPaths m_paths;
    OriginalsCache m_cache;
    Conversion m_conversion;
    Export m_export;
};
