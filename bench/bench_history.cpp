// A history of 500 records loaded and persisted as the application does it (read,
// decode, encode, QSaveFile), next to the file work alone and Qt's JSON alone.
#include "DownloadJob.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int recordCount = 500;

DownloadJob job(int n)
{
    QList<VideoFormat> formats;
    for (const qint64 height : { 144, 240, 360, 480, 720, 1080, 1440, 2160 })
        formats.append({ height, height * 16 / 9, u"avc1.640028"_s, height <= 720, height * 54'321 });
    const QString id = QString::number(1'234'567'890'000 + n);
    const VideoInfo video { id, u"Un video bastante largo de ejemplo número %1 — con acentos y ñ"_s.arg(n),
        u"Un canal cualquiera"_s, 212.5 + n, formats, MediaPlatform::twitter, u"https://x.com/alguien/status/"_s + id,
        u"https://pbs.twimg.com/ext_tw_video_thumb/%1/pu/img/abcdefgh.jpg"_s.arg(id) };
    DownloadProfile profile;
    if (n % 2) {
        profile.kind = DownloadKind::video;
        profile.height = 720;
    }
    DownloadJob job = DownloadJob::make(video, profile, u"/home/ana/Descargas/Brisomar"_s, JobState::completed, n % 3);
    job.detail = u"Guardado"_s;
    job.progress = 1;
    job.path = u"/home/ana/Descargas/Brisomar/%1.mp3"_s.arg(video.title);
    job.bytes = 4'321'000 + n;
    job.actualHeight = n % 2 ? 720 : 0;
    return job;
}

// Where the history really lives (not a memory file system), so that saving costs what it costs there.
QString dataFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QDir().mkpath(folder);
    return folder;
}

struct Fixture
{
    QTemporaryDir dir { dataFolder() + u"/brisomar-bench-XXXXXX"_s };
    QString path = dir.filePath(u"library.json"_s);
    QByteArray bytes;

    Fixture()
    {
        QList<DownloadJob> jobs;
        for (int n = 0; n < recordCount; ++n)
            jobs.append(job(n));
        bytes = DownloadJob::encodeHistory(jobs);
        QFile file(path);
        if (!dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write the history file");
    }
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the history file");
    return file.readAll();
}

void save(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        qFatal("cannot save the history file");
}

// The floor: the same bytes read and written atomically, nothing decoded.
void historyFileOnly(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state)
        save(f.path, readAll(f.path));
    state.counters["file_kB"] = double(f.bytes.size()) / 1e3;
}

void historyJsonOnly(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(QJsonDocument::fromJson(f.bytes).toJson(QJsonDocument::Compact).size());
}

void historyDecode(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(DownloadJob::decodeHistory(f.bytes)->size());
    state.SetItemsProcessed(state.iterations() * recordCount);
}

void historyEncode(benchmark::State& state)
{
    Fixture& f = fixture();
    const QList<DownloadJob> jobs = *DownloadJob::decodeHistory(f.bytes);
    for (auto _ : state)
        benchmark::DoNotOptimize(DownloadJob::encodeHistory(jobs).size());
    state.SetItemsProcessed(state.iterations() * recordCount);
}

// What a launch and a save cost together: read and decode, encode and write atomically.
void historyLoadPersist(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        const std::optional<QList<DownloadJob>> jobs = DownloadJob::decodeHistory(readAll(f.path));
        if (!jobs || jobs->size() != recordCount)
            state.SkipWithError("the history did not read back");
        save(f.path, DownloadJob::encodeHistory(*jobs));
    }
    state.SetItemsProcessed(state.iterations() * recordCount);
}

} // namespace

BENCHMARK(historyFileOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(historyJsonOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(historyDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(historyEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(historyLoadPersist)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
