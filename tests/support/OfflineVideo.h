#pragma once

#include "Downloader.h"
#include "Fixtures.h"
#include "StandInTools.h"
#include "TestMedia.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
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
        const QString& id = QStringLiteral("abcdefghijk"))
        : engine(Toolchain(stand.root()), BrisPaths(data.path()))
    {
        QJsonArray formats;
        for (const QString& name : renditions)
            formats.append(format(media, name));
        const MediaLink address = MediaLink::make(link).value();
        info = Fixtures::videoInfo(id, rawValue(address.platform()), QStringLiteral("Dos tonos"), duration, formats);
        video = VideoInfo::parseAll(QJsonDocument(info).toJson(), address).first();
        serve(info);
    }

    // A rendition of a TestMedia file given by its name, or by "name@height" for
    // one that claims another height than it has.
    static QJsonObject format(TestMedia& media, const QString& rendition)
    {
        struct Rendition
        {
            const char* vcodec;
            const char* acodec;
            int width = 0;
            int height = 0;
        };
        static const QMap<QString, Rendition> byName {
            { QStringLiteral("h264.mp4"), { "avc1.64000d", "none", 320, 240 } },
            { QStringLiteral("h264-480.mp4"), { "avc1.64001e", "none", 640, 480 } },
            { QStringLiteral("vp9.webm"), { "vp9", "none", 320, 240 } },
            { QStringLiteral("tone.m4a"), { "none", "mp4a.40.2" } },
            { QStringLiteral("tone.webm"), { "none", "opus" } },
            { QStringLiteral("h264-aac.mkv"), { "avc1.64000d", "mp4a.40.2", 320, 240 } },
        };
        const QString name = rendition.section(u'@', 0, 0);
        if (!byName.contains(name))
            qFatal("no rendition for %s", qPrintable(name));
        const Rendition known = byName.value(name);
        const int height = rendition.contains(u'@') ? rendition.section(u'@', 1).toInt() : known.height;
        return Fixtures::localFormat(name, media.path(name), QString::fromLatin1(known.vcodec),
            QString::fromLatin1(known.acodec), known.height ? known.width * height / known.height : 0, height);
    }

    // The downloader now answers with `info` (the record stays as analysed).
    void serve(const QJsonObject& served, const QStringList& extra = {})
    {
        QVERIFY(TestSupport::writeJson(stand.file(QStringLiteral("info.json")), served));
        stand.offlineYtDlp(stand.file(QStringLiteral("info.json")), extra);
    }

    DownloadJob job(const DownloadProfile& profile) const
    {
        return DownloadJob::make(video, profile, folder.path(), JobState::queued, false);
    }
    Outcome run(const DownloadJob& job, const CancellationPtr& cancel = std::make_shared<Cancellation>())
    {
        Outcome outcome;
        outcome.error = TestSupport::failure([&] {
            outcome.job
                = engine.exportJob(job, cancel, [&](const DownloadUpdate& update) { outcome.updates.append(update); });
        });
        if (outcome.job)
            outcome.error.clear();
        return outcome;
    }
    // The folder's entries, but for the hidden work area.
    QStringList delivered() const
    {
        QStringList names
            = QDir(folder.path())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        names.removeAll(QStringLiteral(".Brisomar"));
        return names;
    }
    QString workDirectory(const DownloadProfile& profile) const
    {
        return folder.path() + QStringLiteral("/.Brisomar/") + video.storageID() + u'-' + profile.key();
    }
    QString cacheEntry() const { return data.path() + QStringLiteral("/Originals/") + video.storageID(); }

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
    UpdateCallback callback()
    {
        return [this](const DownloadUpdate& update) {
            std::lock_guard guard(m_lock);
            m_updates.append(update);
        };
    }
    bool any(const std::function<bool(const DownloadUpdate&)>& test) const
    {
        std::lock_guard guard(m_lock);
        return std::any_of(m_updates.begin(), m_updates.end(), test);
    }

private:
    mutable std::mutex m_lock;
    QList<DownloadUpdate> m_updates;
};
