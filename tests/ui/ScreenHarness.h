#pragma once

#include "AppModel.h"
#include "FakeDesktopServices.h"
#include "StandInTools.h"

#include <QJsonObject>
#include <QTemporaryDir>

#include <memory>

class AppUpdates;
class Downloader;

// The real model and engine over a tools root of the build's real tools, with
// its data directory and download folder in a temporary directory. yt-dlp can be
// pointed at local media, or replaced where a test needs it to hang or fail.
struct ScreenHarness
{
    QTemporaryDir dir;
    StandInTools tools;
    FakeDesktopServices services;
    std::unique_ptr<AppModel> model;

    ScreenHarness();
    ~ScreenHarness();

    QString data() const { return dir.filePath(QStringLiteral("data")); }
    QString downloads() const { return dir.filePath(QStringLiteral("Descargas/Brisomar")); }
    // A one-second clip with picture and sound, made once per harness.
    QString clip();

    // The real yt-dlp answers every analysis with `info` (see TestSupport::offlineVideo).
    void serve(const QJsonObject& info);
    // yt-dlp answers the engine check, then never ends an analysis; the pid of
    // the last one is written to `analysisPid()`.
    void hangAnalysis();
    QString analysisPid() const { return tools.file(QStringLiteral("analysis.pid")); }
    // yt-dlp never answers the engine check.
    void hangEngineCheck();
    // yt-dlp cannot start: the engine check fails.
    void breakEngine();

    // Opens the model on the real engine; `updates` is adopted when given.
    AppModel& open(AppUpdates* updates = nullptr);
    AppModel& open(std::shared_ptr<Downloader> engine, AppUpdates* updates = nullptr);
    // Opens, starts and waits for the engine check to end.
    bool openStarted(AppUpdates* updates = nullptr);

private:
    QString m_clip;
};

// `count` videos of one Instagram post, all renditions of the local `media`;
// entry i has the id "10<i>" and the title "Clip <i>". Entries claim the one
// second the clip lasts unless `durations` says otherwise (a download checks it).
QJsonObject offlinePost(
    const QString& media, int count, const QList<int>& heights = { 240 }, const QList<double>& durations = {});
// A link `serve`d documents answer to.
QString postLink();
