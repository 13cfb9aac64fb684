#include "AppHarness.h"

#include "TestSupport.h"

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

AppModel& AppHarness::open()
{
    model.reset();
    model = std::make_unique<AppModel>(engine, &services);
    model->setBannerDuration(std::chrono::seconds(30));
    return *model;
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

bool AppHarness::enqueue(const VideoInfo& video)
{
    model->setLink(linkOf(video));
    model->analyze();
    if (!QTest::qWaitFor([&] { return model->info() == video; }, 5000))
        return false;
    model->enqueue();
    return true;
}

AppModel& AppHarness::reopen()
{
    engine->close();
    model.reset();
    engine = std::make_shared<ControlledEngine>(data());
    return open();
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

DownloadJob deliver(const DownloadJob& job)
{
    DownloadJob done = job;
    const QByteArray content = job.id.toByteArray();
    done.path = QDir(job.folder).filePath(job.video.id + u".mp3"_s);
    TestSupport::writeFile(*done.path, content);
    done.bytes = content.size();
    done.state = JobState::completed;
    done.progress = 1;
    done.detail = u"Listo"_s;
    return done;
}
