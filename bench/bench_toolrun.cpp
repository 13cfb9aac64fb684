// Output of a tool pushed through Toolchain::run with a line callback, next to
// `cat` of the same file into /dev/null: what the runner costs per byte and how
// much memory it holds while hundreds of megabytes go by.
#include "Toolchain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 dataSize = 400LL * 1000 * 1000;

double maxRssMiB(int who)
{
    rusage usage {};
    getrusage(who, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// A tools root whose "ffmpeg" is `cat`, and a file of lines from 1 to 199 bytes.
struct Fixture
{
    QTemporaryDir dir;
    QString data;

    Fixture()
    {
        const QString root = dir.path();
        QDir().mkpath(root + u"/yt-dlp-runtime"_s);
        QFile::link(QStringLiteral(BRISOMAR_BENCH_TOOLS_DIR) + u"/runner"_s, root + u"/runner"_s);
        for (const QString& name : { u"node"_s, u"ffprobe"_s, u"yt-dlp-runtime/yt-dlp_linux"_s })
            QFile::link(u"/bin/true"_s, root + u'/' + name);
        QFile::link(u"/bin/cat"_s, root + u"/ffmpeg"_s);

        data = root + u"/lines.txt"_s;
        QFile file(data);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write the data file");
        QByteArray block;
        for (int length = 1; block.size() < 1 << 20; length = length % 199 + 1)
            block.append(QByteArray(length - 1, 'x') + '\n');
        for (qint64 written = 0; written < dataSize; written += block.size())
            file.write(block);
    }
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

void runWithLineCallback(benchmark::State& state)
{
    Fixture& f = fixture();
    const Toolchain tools(f.dir.path());
    const qint64 bytes = QFileInfo(f.data).size();
    qint64 lines = 0;
    for (auto _ : state) {
        lines = 0;
        qint64 characters = 0;
        const QByteArray tail
            = tools.run(u"ffmpeg"_s, { f.data }, std::make_shared<Cancellation>(), 600, [&](const QString& line) {
                  ++lines;
                  characters += line.size();
              });
        benchmark::DoNotOptimize(tail.size());
        benchmark::DoNotOptimize(characters);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["lines"] = double(lines);
    state.counters["peak_rss_MiB"] = maxRssMiB(RUSAGE_SELF);
}

void runWithoutCallback(benchmark::State& state)
{
    Fixture& f = fixture();
    const Toolchain tools(f.dir.path());
    const qint64 bytes = QFileInfo(f.data).size();
    for (auto _ : state)
        benchmark::DoNotOptimize(tools.run(u"ffmpeg"_s, { f.data }, std::make_shared<Cancellation>(), 600).size());
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["peak_rss_MiB"] = maxRssMiB(RUSAGE_SELF);
}

void catToDevNull(benchmark::State& state)
{
    Fixture& f = fixture();
    const QByteArray path = QFile::encodeName(f.data);
    const qint64 bytes = QFileInfo(f.data).size();
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        char* argv[] = { const_cast<char*>("cat"), const_cast<char*>(path.constData()), nullptr };
        pid_t pid = 0;
        if (posix_spawn(&pid, "/bin/cat", &actions, nullptr, argv, environ) != 0)
            state.SkipWithError("cannot start cat");
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        waitpid(pid, &status, 0);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["cat_peak_rss_MiB"] = maxRssMiB(RUSAGE_CHILDREN);
}

// The floor for any reader: the same bytes through a pipe, read and dropped.
void catThroughPipe(benchmark::State& state)
{
    Fixture& f = fixture();
    const QByteArray path = QFile::encodeName(f.data);
    const qint64 bytes = QFileInfo(f.data).size();
    std::vector<char> buffer(256 * 1024);
    for (auto _ : state) {
        int pipe[2];
        if (pipe2(pipe, O_CLOEXEC) != 0)
            state.SkipWithError("no pipe");
        fcntl(pipe[1], F_SETPIPE_SZ, 1024 * 1024);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
        char* argv[] = { const_cast<char*>("cat"), const_cast<char*>(path.constData()), nullptr };
        pid_t pid = 0;
        if (posix_spawn(&pid, "/bin/cat", &actions, nullptr, argv, environ) != 0)
            state.SkipWithError("cannot start cat");
        posix_spawn_file_actions_destroy(&actions);
        close(pipe[1]);
        while (read(pipe[0], buffer.data(), buffer.size()) > 0) { }
        close(pipe[0]);
        int status = 0;
        waitpid(pid, &status, 0);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

} // namespace

BENCHMARK(catToDevNull)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(catThroughPipe)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(runWithoutCallback)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(runWithLineCallback)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

BENCHMARK_MAIN();
