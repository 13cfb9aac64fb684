#pragma once

#include "AppModel.h"
#include "ControlledEngine.h"
#include "FakeDesktopServices.h"
#include "StandInTools.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

class AppUpdates;

// The application model with its data directory and download folder in a
// temporary directory, over either the controllable engine (open) or the real
// engine on a tools root of the build's real tools (openReal), whose yt-dlp a
// test may point at local media or make hang or fail.
struct AppHarness
{
    QTemporaryDir dir;
    StandInTools tools;
    std::shared_ptr<ControlledEngine> engine;
    FakeDesktopServices services;
    std::unique_ptr<AppModel> model;

    AppHarness();
    // Releases the engine before the model goes, whose destructor waits for it.
    ~AppHarness();

    QString data() const { return dir.filePath(QStringLiteral("data")); }
    QString downloads() const { return dir.filePath(QStringLiteral("Descargas")); }

    // `updates` is adopted when given.
    AppModel& open(AppUpdates* updates = nullptr);
    AppModel& openReal(AppUpdates* updates = nullptr);
    // Opens on the controllable engine and waits for its engine check to pass.
    bool openReady();
    // As openReady, with analyses that answer at once with whichever of `videos` is linked.
    bool openAnalysing(const QList<VideoInfo>& videos);
    // Opens on the real engine, starts and waits for the engine check to end.
    bool openStarted(AppUpdates* updates = nullptr);
    // Drops the model and opens a new one on the same data directory.
    AppModel& reopen();

    // Analyses the video's link and queues it with the current profile.
    bool enqueue(const VideoInfo& video);
    // Analyses and queues the video `id` (engine ready, analysis answered at once).
    bool enqueue(const QString& id, const QString& title);
    // Writes the history the model reads when it opens.
    bool writeHistory(const QList<DownloadJob>& jobs) const;

    // A one-second clip with picture and sound, made once per harness.
    QString clip();
    // The real yt-dlp answers every analysis with `info` (see Fixtures::videoInfo).
    void serve(const QJsonObject& info);
    // yt-dlp answers the engine check, then never ends an analysis; its pid is written to analysisPid().
    void hangAnalysis();
    QString analysisPid() const { return tools.file(QStringLiteral("analysis.pid")); }

private:
    AppModel& openOn(std::shared_ptr<Downloader> engine, AppUpdates* updates);
    QString m_clip;
};

// A YouTube video with one format per height (16:9).
VideoInfo testVideo(const QString& id, const QList<qint64>& heights = { 1080, 720, 360 },
    const QString& title = QStringLiteral("Un video"));
QString linkOf(const VideoInfo& video);
// Analyses and queues the video `id` through `model` over `engine` (ready; the
// analysis answers at once); true when a job was added.
bool enqueueVideo(AppModel& model, ControlledEngine& engine, const QString& id, const QString& title);
// A finished job of `kind` saved into `folder`, with its file there when
// `fileThere`; `age` orders jobs (older first in the history, newer on screen).
DownloadJob finishedJob(const QString& folder, const QString& id, const QString& title, const QString& author,
    DownloadKind kind, int age, bool fileThere = true, std::optional<qint64> height = std::nullopt);
// A job that ended in `state` with `detail`.
DownloadJob endedJob(
    const QString& folder, const QString& id, const QString& title, JobState state, const QString& detail, int age);
