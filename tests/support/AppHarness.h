#pragma once

#include "AppModel.h"
#include "AppUpdates.h"
#include "ControlledEngine.h"
#include "Downloader.h"
#include "FakeDesktopServices.h"
#include "StandInTools.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A YouTube video with one format per height (16:9).
inline VideoInfo testVideo(const QString& id, const QList<qint64>& heights = { 1080, 720, 360 },
    const QString& title = QStringLiteral("Un video"))
{
    VideoInfo video { id, title, QStringLiteral("Autor"), 12, {}, MediaPlatform::youtube, youtubeWatchURL(id), {} };
    for (const qint64 height : heights)
        video.formats.append({ height, height * 16 / 9, QStringLiteral("avc1.64001f"), true, std::nullopt });
    return video;
}

inline QString linkOf(const VideoInfo& video)
{
    return youtubeWatchURL(video.id);
}

// The application model with its data directory and download folder in a
// temporary directory, over either the controllable engine (open) or the real
// engine on a tools root of the build's real tools (openReal), whose yt-dlp a
// test may point at local media or make hang or fail.
struct AppHarness
{
    QTemporaryDir dir;
    StandInTools tools;
    std::shared_ptr<ControlledEngine> engine = std::make_shared<ControlledEngine>(data());
    FakeDesktopServices services;
    std::unique_ptr<AppModel> model;

    AppHarness() { qputenv("BRISOMAR_DOWNLOAD_DIR", downloads().toUtf8()); }
    // Releases the engine before the model goes, whose destructor waits for it.
    ~AppHarness()
    {
        engine->close();
        model.reset();
    }

    QString data() const { return dir.filePath(QStringLiteral("data")); }
    QString downloads() const { return dir.filePath(QStringLiteral("Descargas")); }

    // `updates` is adopted when given.
    AppModel& open(AppUpdates* updates = nullptr) { return openOn(engine, updates); }
    AppModel& openReal(AppUpdates* updates = nullptr)
    {
        return openOn(std::make_shared<Downloader>(Toolchain(tools.root()), BrisPaths(data())), updates);
    }
    // Opens on the controllable engine and waits for its engine check to pass.
    bool openReady()
    {
        open().start();
        return QTest::qWaitFor([&] { return model->engineReady() && !model->engineChecking(); }, 5000);
    }
    // As openReady, with analyses that answer at once with whichever of `videos` is linked.
    bool openAnalysing(const QList<VideoInfo>& videos)
    {
        engine->analyzeNow = [videos](const QString& text) {
            for (const VideoInfo& video : videos)
                if (text == linkOf(video))
                    return QList { video };
            return QList<VideoInfo>();
        };
        return openReady();
    }
    // Opens on the real engine, starts and waits for the engine check to end.
    bool openStarted(AppUpdates* updates = nullptr)
    {
        openReal(updates).start();
        return QTest::qWaitFor([&] { return !model->engineChecking(); }, 20000);
    }
    // Drops the model and opens a new one on the same data directory.
    AppModel& reopen()
    {
        engine->close();
        model.reset();
        engine = std::make_shared<ControlledEngine>(data());
        return open();
    }

    // Analyses the video's link through `model` and queues it with the current profile.
    static bool enqueueOn(AppModel& model, const VideoInfo& video)
    {
        model.setLink(linkOf(video));
        model.analyze();
        if (!QTest::qWaitFor([&] { return model.info() == video; }, 5000))
            return false;
        const qsizetype before = model.jobs().size();
        model.enqueue();
        return model.jobs().size() == before + 1;
    }
    bool enqueue(const VideoInfo& video) { return enqueueOn(*model, video); }
    // Analyses and queues the video `id` (engine ready, analysis answered at once).
    bool enqueue(const QString& id, const QString& title);
    // Writes the history the model reads when it opens.
    bool writeHistory(const QList<DownloadJob>& jobs) const
    {
        return TestSupport::writeFile(data() + QStringLiteral("/library.json"), DownloadJob::encodeHistory(jobs));
    }

    // A one-second clip with picture and sound, made once per harness.
    QString clip()
    {
        const QString path = dir.filePath(QStringLiteral("media/clip.mp4"));
        if (m_clip.isEmpty() && TestSupport::makeMedia(path, 320, 240, 1, 1))
            m_clip = path;
        return m_clip;
    }
    // The real yt-dlp answers every analysis with `info` (see Fixtures::videoInfo).
    void serve(const QJsonObject& info)
    {
        QVERIFY(TestSupport::writeJson(tools.file(QStringLiteral("info.json")), info));
        tools.offlineYtDlp(tools.file(QStringLiteral("info.json")));
    }
    // yt-dlp answers the engine check, then never ends an analysis; its pid is written to analysisPid().
    void hangAnalysis()
    {
        tools.script(QStringLiteral("yt-dlp"),
            "if [ \"$1\" = --version ]; then echo 2026.11.23; exit 0; fi\necho $$ > '" + analysisPid().toUtf8()
                + "'\nexec sleep 600");
    }
    QString analysisPid() const { return tools.file(QStringLiteral("analysis.pid")); }

private:
    AppModel& openOn(std::shared_ptr<Engine> chosen, AppUpdates* updates)
    {
        model.reset();
        model = std::make_unique<AppModel>(std::move(chosen), &services, updates);
        model->setBannerDuration(std::chrono::seconds(60));
        return *model;
    }
    QString m_clip;
};

// Analyses and queues the video `id` through `model` over `engine` (ready; the
// analysis answers at once); true when a job was added.
inline bool enqueueVideo(AppModel& model, ControlledEngine& engine, const QString& id, const QString& title)
{
    const VideoInfo video = testVideo(id, { 1080, 720, 360 }, title);
    engine.analyzeNow = [video](const QString&) { return QList { video }; };
    return AppHarness::enqueueOn(model, video);
}

inline bool AppHarness::enqueue(const QString& id, const QString& title)
{
    return enqueueVideo(*model, *engine, id, title);
}

// A finished job of `kind` saved into `folder`, with its file there when
// `fileThere`; `age` orders jobs (older first in the history, newer on screen).
inline DownloadJob finishedJob(const QString& folder, const QString& id, const QString& title, const QString& author,
    DownloadKind kind, int age, bool fileThere = true, std::optional<qint64> height = std::nullopt)
{
    VideoInfo video = testVideo(id, { 1080, 720 }, title);
    video.author = author;
    DownloadJob job = DownloadJob::make(video, { .kind = kind }, folder, JobState::completed, false);
    job.created = QDateTime::fromSecsSinceEpoch(1'700'000'000 + age, Qt::UTC);
    job.progress = 1;
    job.detail = QStringLiteral("Listo");
    const QByteArray content = id.toUtf8().repeated(100);
    job.path
        = QDir(folder).filePath(id + (kind == DownloadKind::audio ? QStringLiteral(".mp3") : QStringLiteral(".mkv")));
    job.bytes = content.size();
    job.actualHeight = height;
    if (fileThere)
        TestSupport::writeFile(*job.path, content);
    return job;
}

// A job that ended in `state` with `detail`.
inline DownloadJob endedJob(
    const QString& folder, const QString& id, const QString& title, JobState state, const QString& detail, int age)
{
    DownloadJob job = DownloadJob::make(testVideo(id, { 1080, 720 }, title), {}, folder, state, false);
    job.created = QDateTime::fromSecsSinceEpoch(1'700'000'000 + age, Qt::UTC);
    job.detail = detail;
    return job;
}
