// Exports of local media through Downloader::exportJob beside the same tool
// commands run by hand (the same yt-dlp, ffmpeg and ffprobe runs, output to
// /dev/null): what the engine's own work adds. And a second audio form served
// from the cache beside its conversion alone. The real yt-dlp reads an info JSON
// about local files, as in the tests.
#include "Downloader.h"
#include "Fixtures.h"
#include "ToolArguments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

extern char** environ;

namespace {

const QString realTools = QStringLiteral(BRISOMAR_BENCH_TOOLS_DIR);

// Runs `program` with `args` as a shell would, output to /dev/null.
bool spawn(const QString& program, const QStringList& args)
{
    std::vector<QByteArray> storage { QFile::encodeName(program) };
    for (const QString& arg : args)
        storage.push_back(arg.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return error == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A tools root whose yt-dlp reads a saved info JSON about 12 s of local media
// (320×240 H.264 picture, two tones in AAC), a data directory and a folder.
struct Fixture
{
    QTemporaryDir dir;
    QString root = dir.filePath(u"tools"_s);
    QString media = dir.filePath(u"media"_s);
    QString data = dir.filePath(u"data"_s);
    QString folder = dir.filePath(u"folder"_s);
    QString hand = dir.filePath(u"hand"_s);
    VideoInfo video;
    std::unique_ptr<Downloader> engine;

    Fixture()
    {
        QDir().mkpath(root + u"/yt-dlp-runtime"_s);
        QDir().mkpath(media);
        for (const QString& tool : { u"runner"_s, u"ffmpeg"_s, u"ffprobe"_s, u"node"_s })
            QFile::link(realTools + u'/' + tool, root + u'/' + tool);

        const QString tones = u"aevalsrc=0.4*sin(2*PI*440*t)|0.4*sin(2*PI*660*t):s=48000:d=12"_s;
        const QString audio = media + u"/tone.m4a"_s;
        const QString picture = media + u"/h264.mp4"_s;
        if (!spawn(realTools + u"/ffmpeg"_s,
                { u"-y"_s, u"-f"_s, u"lavfi"_s, u"-i"_s, tones, u"-c:a"_s, u"aac"_s, u"-b:a"_s, u"128k"_s, audio })
            || !spawn(realTools + u"/ffmpeg"_s,
                { u"-y"_s, u"-f"_s, u"lavfi"_s, u"-i"_s, u"color=c=teal:s=320x240:r=25:d=12"_s, u"-c:v"_s, u"libx264"_s,
                    u"-pix_fmt"_s, u"yuv420p"_s, picture }))
            qFatal("cannot make the media");

        const QJsonObject info = Fixtures::videoInfo(u"abcdefghijk"_s, u"youtube"_s, u"Dos tonos"_s, 12,
            { Fixtures::localFormat(u"v"_s, picture, u"avc1.64000d"_s, u"none"_s, 320, 240),
                Fixtures::localFormat(u"a"_s, audio, u"none"_s, u"mp4a.40.2"_s) });
        const QByteArray json = QJsonDocument(info).toJson();
        QFile infoFile(dir.filePath(u"info.json"_s));
        QFile ytdlp(root + u"/yt-dlp-runtime/yt-dlp_linux"_s);
        if (!infoFile.open(QIODevice::WriteOnly) || infoFile.write(json) != json.size()
            || !ytdlp.open(QIODevice::WriteOnly))
            qFatal("cannot write the fixture");
        infoFile.close();
        QByteArray offline;
        for (const QString& arg : Fixtures::offlineArguments(infoFile.fileName()))
            offline += " '" + QFile::encodeName(arg) + '\'';
        ytdlp.write("#!/bin/bash\nexec '"_ba + QFile::encodeName(realTools)
            + "/yt-dlp-runtime/yt-dlp_linux' \"${@:1:$#-1}\"" + offline + '\n');
        ytdlp.close();
        ytdlp.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        // The environment the engine gives its tools, for the runs by hand too.
        qputenv("PATH", QFile::encodeName(root) + ":/usr/bin:/bin:/usr/sbin:/sbin");
        qputenv("PYTHONNOUSERSITE", "1");
        qunsetenv("PYTHONPATH");
        qunsetenv("PYTHONHOME");

        video = VideoInfo::parseAll(json, MediaLink::make(u"https://youtu.be/abcdefghijk"_s).value()).first();
        engine = std::make_unique<Downloader>(Toolchain(root), BrisPaths(data));
    }

    // Every output of the last round gone; the cache too unless asked to keep it.
    void reset(bool keepCache = false)
    {
        if (!keepCache)
            engine->clearCache();
        for (const QString& path : { folder, hand }) {
            QDir(path).removeRecursively();
            QDir().mkpath(path);
        }
    }

    void exportAs(const DownloadProfile& profile)
    {
        engine->exportJob(DownloadJob::make(video, profile, folder, JobState::queued, false), nullptr, {});
    }

    bool tool(const QString& name, const QStringList& args) { return spawn(engine->tools().path(name), args); }
    bool probe(const QString& file) { return tool(u"ffprobe"_s, MediaProbe::arguments() << file); }
    QString cached() const { return data + u"/Originals/abcdefghijk/source.m4a"_s; }
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

const DownloadProfile mp3 = Fixtures::audioProfile(AudioFormat::mp3);
const DownloadProfile flac = Fixtures::audioProfile(AudioFormat::flac);
const DownloadProfile mp4 = Fixtures::videoProfile(VideoContainer::mp4);

void exportAudio(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.reset();
        state.ResumeTiming();
        f.exportAs(mp3);
    }
}

// What exportAudio runs: the fetch, a probe of the original and the conversion,
// whose own report measures the result.
void audioCommands(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString partial = f.hand + u"/partial"_s;
    const QString output = f.hand + u"/export.mp3"_s;
    for (auto _ : state) {
        state.PauseTiming();
        f.reset();
        state.ResumeTiming();
        if (!f.tool(u"yt-dlp"_s, ToolArguments::fetch(f.engine->tools().common(), f.video, partial))
            || !f.probe(partial + u"/source.m4a"_s)
            || !f.tool(u"ffmpeg"_s, ToolArguments::conversion(partial + u"/source.m4a"_s, mp3, f.video, output)))
            state.SkipWithError("a tool failed");
    }
}

void exportMP4(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.reset();
        state.ResumeTiming();
        f.exportAs(mp4);
    }
}

// What exportMP4 runs: the download and merge, a probe, the MP4 preparation
// (both streams copied) and a probe of the result.
void mp4Commands(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString merged = f.hand + u"/source.mkv"_s;
    const QString output = f.hand + u"/export.mp4"_s;
    for (auto _ : state) {
        state.PauseTiming();
        f.reset();
        state.ResumeTiming();
        if (!f.tool(u"yt-dlp"_s, ToolArguments::video(f.engine->tools().common(), f.video, mp4, f.hand))
            || !f.probe(merged) || !f.tool(u"ffmpeg"_s, ToolArguments::mp4(merged, output, true, true))
            || !f.probe(output))
            state.SkipWithError("a tool failed");
    }
}

void exportFromCache(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.reset(true);
        f.engine->original(f.video, nullptr, {});
        state.ResumeTiming();
        f.exportAs(flac);
    }
}

// The one step a second form cannot do without: converting the cached original.
void conversionOnly(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.reset(true);
        f.engine->original(f.video, nullptr, {});
        state.ResumeTiming();
        if (!f.tool(u"ffmpeg"_s, ToolArguments::conversion(f.cached(), flac, f.video, f.hand + u"/export.flac"_s)))
            state.SkipWithError("ffmpeg failed");
    }
}

} // namespace

BENCHMARK(audioCommands)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(exportAudio)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(mp4Commands)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(exportMP4)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(conversionOnly)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(exportFromCache)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

BENCHMARK_MAIN();
