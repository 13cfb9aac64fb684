#pragma once

#include "Downloader.h"
#include "StandInTools.h"
#include "TestMedia.h"

#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>

#include <mutex>

// An engine whose free-space answer a test may decide.
class TestEngine : public Downloader
{
public:
    using Downloader::Downloader;
    // Unset: the volume's own answer.
    std::optional<std::optional<qint64>> space;

protected:
    std::optional<qint64> availableBytes(const QString& folder) const override
    {
        return space ? *space : Downloader::availableBytes(folder);
    }
};

// What one engine call left behind.
struct Outcome
{
    std::optional<DownloadJob> job;
    // The user's sentence for the failure; empty on success.
    QString error;
    QList<DownloadUpdate> updates;
};

// One video served offline by the real yt-dlp from local media: a tools root, a
// data directory, a download folder and the analysed record.
class OfflineVideo
{
public:
    // Each of `renditions` is one rendition; see format().
    OfflineVideo(TestMedia& media, const QStringList& renditions, double duration = 12,
        const QString& link = QStringLiteral("https://www.youtube.com/watch?v=abcdefghijk"),
        const QString& id = QStringLiteral("abcdefghijk"));

    // A rendition of a TestMedia file given by its name, or by "name@height" for
    // one that claims another height than it has.
    static QJsonObject format(TestMedia& media, const QString& rendition);

    // The downloader now answers with `info` (the record stays as analysed).
    void serve(const QJsonObject& info, const QStringList& extra = {});

    DownloadJob job(const DownloadProfile& profile) const;
    Outcome run(const DownloadJob& job, const CancellationPtr& cancel = std::make_shared<Cancellation>());
    // The folder's entries, but for the hidden work area.
    QStringList delivered() const;
    QString workDirectory(const DownloadProfile& profile) const;
    QString cacheEntry() const;

    StandInTools stand;
    QTemporaryDir data;
    QTemporaryDir folder;
    QJsonObject info;
    VideoInfo video;
    TestEngine engine;
};

// Collects updates from whichever thread sends them.
class UpdateLog
{
public:
    UpdateCallback callback();
    bool any(const std::function<bool(const DownloadUpdate&)>& test) const;

private:
    mutable std::mutex m_lock;
    QList<DownloadUpdate> m_updates;
};
