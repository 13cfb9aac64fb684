#pragma once

#include "AppModel.h"
#include "ControlledEngine.h"
#include "FakeDesktopServices.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A model over a controllable engine, with its data directory and download
// folder in a temporary directory.
struct AppHarness
{
    QTemporaryDir dir;
    std::shared_ptr<ControlledEngine> engine;
    FakeDesktopServices services;
    std::unique_ptr<AppModel> model;

    AppHarness();
    // Releases the engine before the model goes, whose destructor waits for it.
    ~AppHarness();

    QString data() const { return dir.filePath(QStringLiteral("data")); }
    QString downloads() const { return dir.filePath(QStringLiteral("Descargas")); }

    AppModel& open();
    // Opens the model and waits for its engine check to pass.
    bool openReady();
    // As openReady, with analyses that answer at once with whichever of `videos` is linked.
    bool openAnalysing(const QList<VideoInfo>& videos);
    // Analyses the video's link and queues it with the current profile.
    bool enqueue(const VideoInfo& video);
    // Drops the model and opens a new one on the same data directory.
    AppModel& reopen();
};

// A YouTube video with one format per height (16:9).
VideoInfo testVideo(const QString& id, const QList<qint64>& heights = { 1080, 720, 360 },
    const QString& title = QStringLiteral("Un video"));
QString linkOf(const VideoInfo& video);
// What a successful export returns: the job completed with a real file in its folder.
DownloadJob deliver(const DownloadJob& job);
