#include "AppHarness.h"

#include "AppUpdates.h"
#include "Downloader.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

AppHarness::AppHarness()
    : engine(std::make_shared<ControlledEngine>(dir.filePath(u"data"_s)))
{
    qputenv("BRISOMAR_DOWNLOAD_DIR", downloads().toUtf8());
}

AppHarness::~AppHarness()
{
    engine->close();
    model.reset();
}

AppModel& AppHarness::openOn(std::shared_ptr<Downloader> chosen, AppUpdates* updates)
{
    model.reset();
    model = std::make_unique<AppModel>(std::move(chosen), &services, updates);
    model->setBannerDuration(std::chrono::seconds(60));
    return *model;
}

AppModel& AppHarness::open(AppUpdates* updates)
{
    return openOn(engine, updates);
}

AppModel& AppHarness::openReal(AppUpdates* updates)
{
    return openOn(std::make_shared<Downloader>(Toolchain(tools.root()), BrisPaths(data())), updates);
}

bool AppHarness::openReady()
{
    open().start();
    return QTest::qWaitFor([&] { return model->engineReady() && !model->engineChecking(); }, 5000);
}

bool AppHarness::openAnalysing(const QList<VideoInfo>& videos)
{
    engine->analyzeNow = [videos](const QString& text) {
        for (const VideoInfo& video : videos)
            if (text == linkOf(video))
                return QList { video };
        return QList<VideoInfo>();
    };
    return openReady();
}

bool AppHarness::openStarted(AppUpdates* updates)
{
    openReal(updates).start();
    return QTest::qWaitFor([&] { return !model->engineChecking(); }, 20000);
}

AppModel& AppHarness::reopen()
{
    engine->close();
    model.reset();
    engine = std::make_shared<ControlledEngine>(data());
    return open();
}

namespace {

bool enqueueOn(AppModel& model, const VideoInfo& video)
{
    model.setLink(linkOf(video));
    model.analyze();
    if (!QTest::qWaitFor([&] { return model.info() == video; }, 5000))
        return false;
    const qsizetype before = model.jobs().size();
    model.enqueue();
    return model.jobs().size() == before + 1;
}

} // namespace

bool AppHarness::enqueue(const VideoInfo& video)
{
    return enqueueOn(*model, video);
}

bool AppHarness::enqueue(const QString& id, const QString& title)
{
    return enqueueVideo(*model, *engine, id, title);
}

bool enqueueVideo(AppModel& model, ControlledEngine& engine, const QString& id, const QString& title)
{
    const VideoInfo video = testVideo(id, { 1080, 720, 360 }, title);
    engine.analyzeNow = [video](const QString&) { return QList { video }; };
    return enqueueOn(model, video);
}

bool AppHarness::writeHistory(const QList<DownloadJob>& jobs) const
{
    return TestSupport::writeFile(data() + u"/library.json"_s, DownloadJob::encodeHistory(jobs));
}

QString AppHarness::clip()
{
    if (m_clip.isEmpty() && TestSupport::makeMedia(dir.filePath(u"media/clip.mp4"_s), 320, 240, 1, 1))
        m_clip = dir.filePath(u"media/clip.mp4"_s);
    return m_clip;
}

void AppHarness::serve(const QJsonObject& info)
{
    QVERIFY(TestSupport::writeJson(tools.file(u"info.json"_s), info));
    tools.offlineYtDlp(tools.file(u"info.json"_s));
}

void AppHarness::hangAnalysis()
{
    tools.script(u"yt-dlp"_s,
        "if [ \"$1\" = --version ]; then echo 2026.11.23; exit 0; fi\necho $$ > '"_ba + analysisPid().toUtf8()
            + "'\nexec sleep 600"_ba);
}

VideoInfo testVideo(const QString& id, const QList<qint64>& heights, const QString& title)
{
    VideoInfo video;
    video.id = id;
    video.title = title;
    video.author = u"Autor"_s;
    video.duration = 12;
    for (const qint64 height : heights)
        video.formats.append({ height, height * 16 / 9, u"avc1.64001f"_s, true, std::nullopt });
    video.provider = MediaPlatform::youtube;
    video.sourceURL = youtubeWatchURL(id);
    return video;
}

QString linkOf(const VideoInfo& video)
{
    return youtubeWatchURL(video.id);
}

namespace {

QDateTime dateOf(int age)
{
    return QDateTime::fromSecsSinceEpoch(1'700'000'000 + age, Qt::UTC);
}

} // namespace

DownloadJob finishedJob(const QString& folder, const QString& id, const QString& title, const QString& author,
    DownloadKind kind, int age, bool fileThere, std::optional<qint64> height)
{
    VideoInfo video = testVideo(id, { 1080, 720 }, title);
    video.author = author;
    DownloadProfile profile;
    profile.kind = kind;
    DownloadJob job = DownloadJob::make(video, profile, folder, JobState::completed, false);
    job.created = dateOf(age);
    job.progress = 1;
    job.detail = u"Listo"_s;
    const QByteArray content = id.toUtf8().repeated(100);
    job.path = QDir(folder).filePath(id + (kind == DownloadKind::audio ? u".mp3"_s : u".mkv"_s));
    job.bytes = content.size();
    job.actualHeight = height;
    if (fileThere)
        TestSupport::writeFile(*job.path, content);
    return job;
}

DownloadJob endedJob(
    const QString& folder, const QString& id, const QString& title, JobState state, const QString& detail, int age)
{
    DownloadJob job = DownloadJob::make(testVideo(id, { 1080, 720 }, title), {}, folder, state, false);
    job.created = dateOf(age);
    job.detail = detail;
    return job;
}
