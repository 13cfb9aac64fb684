// One audio export and one MP4 export of the same local media through
// Downloader::exportJob, next to the same tool commands run by hand, round by
// round in the same process; then a second audio form served from the cache
// next to its conversion alone. Prints the median of each and the ratios.
//
//   bench_export [rounds]
#include "Downloader.h"
#include "StandInTools.h"
#include "TestMedia.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

using namespace Qt::Literals::StringLiterals;

extern char** environ;

namespace {

// Runs `program` with `args`, output to /dev/null, as a shell would.
void spawn(const QString& program, const QStringList& args)
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
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (error != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        qFatal("%s failed", qPrintable(program));
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

DownloadProfile profile(DownloadKind kind, AudioFormat audio)
{
    DownloadProfile result;
    result.kind = kind;
    result.audio = audio;
    result.container = VideoContainer::mp4;
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 7;

    // The media and the offline downloader of the tests: the real yt-dlp reading
    // an info JSON about local files.
    TestMedia media;
    StandInTools stand;
    const QJsonArray formats { TestSupport::offlineFormat(
                                   u"v"_s, media.path(u"h264.mp4"_s), u"avc1.64000d"_s, u"none"_s, 320, 240),
        TestSupport::offlineFormat(u"a"_s, media.path(u"tone.m4a"_s), u"none"_s, u"mp4a.40.2"_s) };
    const QJsonObject info = TestSupport::offlineInfo(u"abcdefghijk"_s, u"youtube"_s, u"Dos tonos"_s, 12, formats);
    TestSupport::writeJson(stand.file(u"info.json"_s), info);
    stand.offlineYtDlp(stand.file(u"info.json"_s));
    const MediaLink link = MediaLink::make(u"https://www.youtube.com/watch?v=abcdefghijk"_s).value();
    const VideoInfo video = VideoInfo::parseAll(QJsonDocument(info).toJson(), link).first();

    QTemporaryDir data;
    QTemporaryDir folder;
    QTemporaryDir hand;
    const Downloader engine(Toolchain(stand.root()), BrisPaths(data.path()));
    const QString ytdlp = stand.toolPath(u"yt-dlp"_s);
    const QString ffmpeg = stand.toolPath(u"ffmpeg"_s);
    const QString ffprobe = stand.toolPath(u"ffprobe"_s);
    const DownloadProfile mp3 = profile(DownloadKind::audio, AudioFormat::mp3);
    const DownloadProfile flac = profile(DownloadKind::audio, AudioFormat::flac);
    const DownloadProfile mp4 = profile(DownloadKind::video, AudioFormat::mp3);
    auto exportOnce = [&](const DownloadProfile& chosen) {
        engine.exportJob(DownloadJob::make(video, chosen, folder.path(), JobState::queued, false), nullptr, {});
    };
    auto probe = [&](const QString& file) { spawn(ffprobe, MediaProbe::arguments() << file); };

    // Each case: its work, and what to clear (untimed) before the next round.
    struct Case
    {
        const char* name;
        std::function<void()> work;
        std::function<void()> reset;
    };
    const QString partial = hand.filePath(u"partial"_s);
    const QString work = hand.filePath(u"work"_s);
    auto clearAll = [&] {
        engine.clearCache();
        for (const QString& dir : { folder.path(), hand.path() }) {
            QDir(dir).removeRecursively();
            QDir().mkpath(dir);
        }
    };
    auto handAudio = [&](bool probes) {
        spawn(ytdlp, engine.fetchArguments(video, partial));
        if (probes)
            probe(partial + u"/source.m4a"_s);
        spawn(ffmpeg,
            Downloader::conversionArguments(partial + u"/source.m4a"_s, mp3, video, hand.filePath(u"export.mp3"_s)));
        if (probes)
            probe(hand.filePath(u"export.mp3"_s));
    };
    auto handMP4 = [&](bool probes) {
        spawn(ytdlp, engine.videoArguments(video, mp4, work));
        if (probes)
            probe(work + u"/source.mkv"_s);
        spawn(ffmpeg, Downloader::mp4Arguments(work + u"/source.mkv"_s, work + u"/export.mp4"_s, true, true));
        if (probes)
            probe(work + u"/export.mp4"_s);
    };
    auto fillCache = [&] { engine.original(video, nullptr, {}); };
    auto conversionAlone = [&] {
        QFile::remove(hand.filePath(u"export.flac"_s));
        spawn(ffmpeg,
            Downloader::conversionArguments(
                data.filePath(u"Originals/abcdefghijk/source.m4a"_s), flac, video, hand.filePath(u"export.flac"_s)));
    };
    const std::vector<Case> cases {
        { "audio: exportJob", [&] { exportOnce(mp3); }, clearAll },
        { "audio: yt-dlp + ffmpeg by hand", [&] { handAudio(false); }, clearAll },
        { "audio: the same with its 2 ffprobe", [&] { handAudio(true); }, clearAll },
        { "mp4: exportJob", [&] { exportOnce(mp4); }, clearAll },
        { "mp4: yt-dlp + ffmpeg by hand", [&] { handMP4(false); }, clearAll },
        { "mp4: the same with its 2 ffprobe", [&] { handMP4(true); }, clearAll },
        { "second form: exportJob from the cache", [&] { exportOnce(flac); }, fillCache },
        { "second form: ffmpeg conversion alone", conversionAlone, fillCache },
    };

    std::map<const char*, std::vector<double>> times;
    for (int round = 0; round < rounds; ++round) {
        for (const Case& c : cases) {
            c.reset();
            QElapsedTimer timer;
            timer.start();
            c.work();
            times[c.name].push_back(timer.nsecsElapsed() / 1e6);
        }
        for (const QString& name : QDir(folder.path()).entryList(QDir::Files))
            QFile::remove(folder.filePath(name));
        std::fprintf(stderr, "round %d of %d\n", round + 1, rounds);
    }

    std::printf("%-42s %10s %10s %10s\n", "case (ms)", "median", "min", "max");
    for (const Case& c : cases) {
        const std::vector<double>& t = times[c.name];
        std::printf("%-42s %10.1f %10.1f %10.1f\n", c.name, median(t), *std::min_element(t.begin(), t.end()),
            *std::max_element(t.begin(), t.end()));
    }
    auto ratio = [&](const char* a, const char* b) { return median(times[a]) / median(times[b]); };
    std::printf("\naudio exportJob / by hand:              %.3f (with the same probes: %.3f)\n",
        ratio("audio: exportJob", "audio: yt-dlp + ffmpeg by hand"),
        ratio("audio: exportJob", "audio: the same with its 2 ffprobe"));
    std::printf("mp4 exportJob / by hand:                %.3f (with the same probes: %.3f)\n",
        ratio("mp4: exportJob", "mp4: yt-dlp + ffmpeg by hand"),
        ratio("mp4: exportJob", "mp4: the same with its 2 ffprobe"));
    std::printf("second form from the cache / conversion: %.3f\n",
        ratio("second form: exportJob from the cache", "second form: ffmpeg conversion alone"));
    return 0;
}
