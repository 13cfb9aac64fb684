// Cold start of the program to its first window frame, and its resident memory
// at rest, on Qt's offscreen platform, beside a bare Qt Widgets window started
// the same way. Each start is a new process with a new data folder, empty or
// holding a history of 500 jobs, and every process a round started (the
// program's engine check launches tools in groups of their own) is ended
// before the next round begins.
#include "DownloadJob.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace Qt::Literals::StringLiterals;

// A history of `completed` finished jobs, whose files are gone, and `failed`
// failed or interrupted ones, as a long-used program leaves it.
QByteArray historyOf(int completed, int failed)
{
    QList<DownloadJob> jobs;
    for (int n = 0; n < completed + failed; ++n) {
        const QString id = QString::number(1'234'567'890'000 + n);
        const VideoInfo video { id, u"Un video de ejemplo número %1 — con acentos y ñ"_s.arg(n), u"Un canal"_s, 212.5,
            {}, MediaPlatform::twitter, u"https://x.com/alguien/status/"_s + id, {} };
        DownloadProfile profile;
        profile.kind = n % 2 ? DownloadKind::video : DownloadKind::audio;
        const bool done = n < completed;
        DownloadJob job = DownloadJob::make(video, profile, u"/tmp/brisomar-bench-gone"_s,
            done ? JobState::completed : (n % 2 ? JobState::failed : JobState::interrupted), false);
        job.created = job.created.addSecs(n);
        job.detail = done ? u"Guardado"_s : u"No se pudo descargar: la conexión se cortó."_s;
        if (done) {
            job.progress = 1;
            job.path = u"/tmp/brisomar-bench-gone/%1.mp3"_s.arg(id);
            job.bytes = 4'321'000 + n;
        }
        jobs.append(job);
    }
    return DownloadJob::encodeHistory(jobs);
}

// Live processes (zombies aside) whose environment holds the entry.
std::vector<pid_t> processesCarrying(const QByteArray& entry)
{
    std::vector<pid_t> found;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : pids) {
        bool number = false;
        const pid_t pid = pid_t(name.toInt(&number));
        if (!number || pid == getpid())
            continue;
        QFile environ(QStringLiteral("/proc/%1/environ").arg(name));
        if (!environ.open(QIODevice::ReadOnly) || !environ.readAll().split('\0').contains(entry))
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(name));
        const QByteArray text = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
        const qsizetype close = text.lastIndexOf(')');
        if (close >= 0 && text.mid(close + 2, 1) != "Z")
            found.push_back(pid);
    }
    return found;
}

class Started
{
public:
    explicit Started(const char* program, const QByteArray& history = {})
    {
        if (!m_home.isValid())
            throw std::runtime_error("no temporary folder");
        if (!history.isEmpty()) {
            QDir(m_home.path()).mkpath(u"data/Brisomar"_s);
            QFile file(m_home.filePath(u"data/Brisomar/library.json"_s));
            if (!file.open(QIODevice::WriteOnly) || file.write(history) != history.size())
                throw std::runtime_error("cannot write the history");
        }
        const std::string home = m_home.path().toStdString();
        m_tag = "BRISOMAR_BENCH_ROUND=" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
        std::vector<std::string> env = { m_tag.toStdString(), "QT_QPA_PLATFORM=offscreen", "QT_MEDIA_BACKEND=gstreamer",
            "LANG=C.UTF-8", "HOME=" + home, "XDG_CONFIG_HOME=" + home + "/config", "XDG_DATA_HOME=" + home + "/data",
            "XDG_CACHE_HOME=" + home + "/cache", "XDG_RUNTIME_DIR=" + home,
            "BRISOMAR_TOOLS_DIR=" BRISOMAR_BENCH_TOOLS_DIR, "PATH=/usr/bin:/bin" };
        std::vector<char*> envp;
        for (std::string& entry : env)
            envp.push_back(entry.data());
        envp.push_back(nullptr);

        int out[2];
        if (pipe(out) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        char flag[] = "--first-frame";
        std::string path = program;
        char* argv[] = { path.data(), flag, nullptr };
        m_start = Clock::now();
        const int failed = posix_spawn(&m_pid, program, &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (failed) {
            close(out[0]);
            throw std::runtime_error("spawn");
        }
        m_out = fdopen(out[0], "r");
    }

    ~Started()
    {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        if (m_out)
            std::fclose(m_out);
        // The tools the round started outlive the program: end them too, so the
        // next round does not share the machine with them.
        for (int attempt = 0; attempt < 200; ++attempt) {
            const std::vector<pid_t> left = processesCarrying(m_tag);
            if (left.empty())
                break;
            for (pid_t pid : left)
                kill(pid, SIGKILL);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    // Seconds from the launch to the report of the first frame.
    double firstFrame()
    {
        char line[64];
        while (std::fgets(line, sizeof line, m_out))
            if (std::string(line) == "first-frame\n")
                return std::chrono::duration<double>(Clock::now() - m_start).count();
        throw std::runtime_error("the program ended before its first frame");
    }

    double residentMB() const
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(m_pid));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
        return 0;
    }

private:
    QTemporaryDir m_home;
    QByteArray m_tag;
    pid_t m_pid = -1;
    FILE* m_out = nullptr;
    Clock::time_point m_start;
};

void firstFrame(benchmark::State& state, const char* program, const QByteArray& history = {})
{
    for (auto _ : state) {
        try {
            Started started(program, history);
            state.SetIterationTime(started.firstFrame());
        } catch (const std::exception& error) {
            state.SkipWithError(error.what());
            return;
        }
    }
}

// At rest: the window shown, the start-up checks done, nothing to do.
void atRest(benchmark::State& state, const char* program)
{
    double resident = 0;
    for (auto _ : state) {
        try {
            Started started(program);
            started.firstFrame();
            std::this_thread::sleep_for(std::chrono::seconds(3));
            resident = started.residentMB();
        } catch (const std::exception& error) {
            state.SkipWithError(error.what());
            return;
        }
    }
    state.counters["rss_MB"] = resident;
}

// BRISOMAR_BENCH_PROGRAM in the environment names another build of the program
// to start, to compare two builds in one run.
const char* program()
{
    static const QByteArray chosen = qgetenv("BRISOMAR_BENCH_PROGRAM");
    return chosen.isEmpty() ? BRISOMAR_BENCH_PROGRAM : chosen.constData();
}

void coldStart(benchmark::State& state)
{
    firstFrame(state, program());
}
// The same program with a long history, beside its start on an empty one (coldStart).
void startWith400Completed100Failed(benchmark::State& state)
{
    static const QByteArray history = historyOf(400, 100);
    firstFrame(state, program(), history);
}
void startWith500Completed(benchmark::State& state)
{
    static const QByteArray history = historyOf(500, 0);
    firstFrame(state, program(), history);
}
void bareWindowStart(benchmark::State& state)
{
    firstFrame(state, BRISOMAR_BENCH_BARE_WINDOW);
}
void memoryAtRest(benchmark::State& state)
{
    atRest(state, program());
}
void bareWindowMemory(benchmark::State& state)
{
    atRest(state, BRISOMAR_BENCH_BARE_WINDOW);
}

BENCHMARK(coldStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(bareWindowStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(startWith400Completed100Failed)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(startWith500Completed)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(memoryAtRest)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(bareWindowMemory)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
