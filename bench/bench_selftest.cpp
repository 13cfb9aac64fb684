// The wall time of "--self-test" as a user starts it: a new process, a new
// scratch root and home, the build's tools. A run that fails is no measurement.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

void selfTest(benchmark::State& state)
{
    for (auto _ : state) {
        QTemporaryDir home;
        const std::string path = home.path().toStdString();
        std::vector<std::string> env = { "HOME=" + path, "XDG_RUNTIME_DIR=" + path,
            "BRISOMAR_TEST_ROOT=" + path + "/qa", "BRISOMAR_TOOLS_DIR=" BRISOMAR_BENCH_TOOLS_DIR,
            "QT_QPA_PLATFORM=offscreen", "LANG=C.UTF-8", "PATH=/usr/bin:/bin" };
        std::vector<char*> envp;
        for (std::string& entry : env)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::string program = BRISOMAR_BENCH_PROGRAM;
        char flag[] = "--self-test";
        char* argv[] = { program.data(), flag, nullptr };

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        if (failed || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the self-test failed");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

} // namespace

BENCHMARK(selfTest)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
