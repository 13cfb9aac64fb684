#include "UiSupport.h"

#include "TestSupport.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace UiSupport {

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

bool writeHistory(AppHarness& harness, const QList<DownloadJob>& jobs)
{
    return TestSupport::writeFile(harness.data() + u"/library.json"_s, DownloadJob::encodeHistory(jobs));
}

bool enqueue(AppModel& model, ControlledEngine& engine, const QString& id, const QString& title)
{
    const VideoInfo video = testVideo(id, { 1080, 720, 360 }, title);
    engine.analyzeNow = [video](const QString&) { return QList { video }; };
    model.setLink(linkOf(video));
    model.analyze();
    if (!QTest::qWaitFor([&] { return model.info() == video; }, 5000))
        return false;
    const qsizetype before = model.jobs().size();
    model.enqueue();
    return model.jobs().size() == before + 1;
}

} // namespace UiSupport
