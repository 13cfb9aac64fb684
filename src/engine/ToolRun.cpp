#include "ToolRun.h"

#include "BrisError.h"
#include "ProcessGroup.h"
#include "Toolchain.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

constexpr qsizetype readSize = 256 * 1024;
// How often a quiet child is checked for cancellation and exit.
constexpr auto tick = 50ms;
constexpr auto killDelay = 2s;
// A finished tool whose pipes stay open this long has left something behind.
constexpr auto strayGrace = 200ms;

SystemError launchError(int error)
{
    return SystemError(
        u"No se pudo iniciar una herramienta del motor local: "_s + QString::fromLocal8Bit(std::strerror(error)));
}

std::vector<char*> pointers(const QList<QByteArray>& list)
{
    std::vector<char*> result;
    result.reserve(size_t(list.size()) + 1);
    for (const QByteArray& item : list)
        result.push_back(const_cast<char*>(item.constData()));
    result.push_back(nullptr);
    return result;
}

int milliseconds(std::chrono::steady_clock::duration duration)
{
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(duration).count();
    return int(std::clamp<long long>(ms, 0, 1000));
}

} // namespace

ToolRun::ToolRun(CancellationPtr cancel, double timeout, const LineCallback& line)
    : m_cancel(std::move(cancel))
    , m_line(line)
    , m_timeout(timeout)
    , m_stdout(Toolchain::outputLimit)
    , m_stderr(Toolchain::errorLimit)
{
}

ToolRun::~ToolRun()
{
    // Only reached with a live child when something failed outside the pump.
    if (m_pid > 0 && !m_reaped) {
        ProcessGroup::terminate(m_pid);
        shutdown();
    }
    closePipes();
    for (int fd : { m_outWrite, m_errWrite }) {
        if (fd >= 0)
            ::close(fd);
    }
}

QByteArray ToolRun::exec(const QList<QByteArray>& argv, const QList<QByteArray>& environment)
{
    openPipes();
    if (m_cancel->cancelled())
        throw BrisError::cancelled();
    launch(argv, environment);
    m_cancel->attach(m_pid);

    bool finished = false;
    try {
        finished = pump();
    } catch (...) {
        m_failure = std::current_exception();
    }
    if (!finished)
        shutdown();
    m_cancel->detach(m_pid);

    if (m_failure)
        std::rethrow_exception(m_failure);
    if (m_cancel->cancelled())
        throw BrisError::cancelled();
    if (WIFEXITED(m_status) && WEXITSTATUS(m_status) == 0)
        return m_stdout.bytes();
    throw BrisError::process(QString::fromUtf8(m_stderr.bytes()).trimmed());
}

void ToolRun::openPipes()
{
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw launchError(errno);
    if (::pipe2(err, O_CLOEXEC) != 0) {
        const int error = errno;
        ::close(out[0]);
        ::close(out[1]);
        throw launchError(error);
    }
    m_out = out[0];
    m_outWrite = out[1];
    m_err = err[0];
    m_errWrite = err[1];
    // Fewer, larger reads when a tool floods its output.
    ::fcntl(m_outWrite, F_SETPIPE_SZ, 1024 * 1024);
}

void ToolRun::launch(const QList<QByteArray>& argv, const QList<QByteArray>& environment)
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);

    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, m_outWrite, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, m_errWrite, STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Whatever else this process holds open stays out of the tool's hands.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif

    // The launch itself makes the group, so a cancel right after it reaches
    // everything the child starts. Signal state is the tool's own, whatever the
    // calling thread blocks or this program ignores.
    sigset_t empty;
    sigset_t all;
    sigemptyset(&empty);
    sigfillset(&all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setsigmask(&attributes, &empty);
    posix_spawnattr_setsigdefault(&attributes, &all);

    std::vector<char*> args = pointers(argv);
    std::vector<char*> env = pointers(environment);
    pid_t pid = 0;
    const int result = posix_spawn(&pid, args.front(), &actions, &attributes, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);

    ::close(m_outWrite);
    ::close(m_errWrite);
    m_outWrite = m_errWrite = -1;
    if (result != 0)
        throw launchError(result);
    m_pid = pid;

    const auto now = Clock::now();
    if (!(m_timeout > 0))
        m_deadline = now;
    else if (!std::isfinite(m_timeout) || m_timeout > 1e9)
        m_hasDeadline = false;
    else
        m_deadline = now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(m_timeout));
}

bool ToolRun::pump()
{
    m_chunk.resize(readSize);
    Clock::duration quietWait = 1ms;
    for (;;) {
        if (m_failure || m_cancel->cancelled())
            return false;
        const auto now = Clock::now();
        // The time limit covers the tool and its output; strays get their own two seconds.
        if (m_hasDeadline && !m_strayKillAt && now >= m_deadline) {
            m_cancel->cancel();
            return false;
        }
        if (!m_reaped)
            reap(false);
        const bool pipesOpen = m_out >= 0 || m_err >= 0;
        if (m_reaped) {
            if (!m_reapedAt)
                m_reapedAt = now;
            if (!m_strayKillAt && (pipesOpen ? now - *m_reapedAt >= strayGrace : ProcessGroup::alive(m_pid))) {
                ProcessGroup::terminate(m_pid);
                m_strayKillAt = now + killDelay;
            }
            if (m_strayKillAt && !m_strayKilled && now >= *m_strayKillAt) {
                ProcessGroup::kill(m_pid);
                m_strayKilled = true;
            }
            if (!pipesOpen && (!m_strayKillAt || m_strayKilled || !ProcessGroup::alive(m_pid)))
                return true;
        }

        auto wait = Clock::duration(tick);
        if (!pipesOpen) {
            // The pipes close just before the exit can be reaped: check back soon.
            wait = quietWait;
            quietWait = std::min<Clock::duration>(quietWait * 2, tick);
        }
        if (m_hasDeadline && !m_strayKillAt)
            wait = std::min(wait, m_deadline - now);
        if (m_strayKillAt && !m_strayKilled)
            wait = std::min(wait, *m_strayKillAt - now);
        if (m_reapedAt && pipesOpen && !m_strayKillAt)
            wait = std::min(wait, *m_reapedAt + strayGrace - now);

        pollfd fds[2];
        nfds_t count = 0;
        for (int fd : { m_out, m_err }) {
            if (fd >= 0)
                fds[count++] = pollfd { fd, POLLIN, 0 };
        }
        const int ready = ::poll(count ? fds : nullptr, count, milliseconds(wait));
        if (ready < 0 && errno != EINTR)
            throw launchError(errno);
        if (ready <= 0)
            continue;
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0)
                continue;
            if (fds[i].fd == m_out)
                readFrom(m_out);
            else
                readFrom(m_err);
        }
    }
}

void ToolRun::readFrom(int& fd)
{
    const ssize_t size = ::read(fd, m_chunk.data(), size_t(m_chunk.size()));
    if (size < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    const bool standardOutput = fd == m_out;
    if (size <= 0) {
        ::close(fd);
        fd = -1;
        // Output that ends without a line feed still makes a last line.
        if (standardOutput && !m_pending.isEmpty() && !m_failure && !m_cancel->cancelled()) {
            deliver(m_pending.constData(), m_pending.size());
            m_pending.clear();
        }
        return;
    }
    if (standardOutput)
        takeOutput(m_chunk.constData(), size);
    else
        m_stderr.append(m_chunk.constData(), size);
}

void ToolRun::takeOutput(const char* data, qsizetype size)
{
    m_stdout.append(data, size);
    const char* end = data + size;
    while (data < end && !m_failure) {
        const auto* feed = static_cast<const char*>(std::memchr(data, '\n', size_t(end - data)));
        if (!feed) {
            m_pending.append(data, end - data);
            break;
        }
        if (m_pending.isEmpty()) {
            deliver(data, feed - data);
        } else {
            m_pending.append(data, feed - data);
            deliver(m_pending.constData(), m_pending.size());
            m_pending.resize(0);
        }
        data = feed + 1;
    }
    if (m_pending.size() > Toolchain::outputLimit) {
        // A line that never ends would take all memory: treat it like a cancel.
        m_pending.clear();
        m_cancel->cancel();
    }
}

void ToolRun::deliver(const char* data, qsizetype size)
{
    if (!m_line)
        return;
    try {
        m_line(QString::fromUtf8(data, size));
    } catch (...) {
        m_failure = std::current_exception();
    }
}

void ToolRun::shutdown()
{
    // Closing the pipes makes a member that keeps writing die of SIGPIPE.
    closePipes();
    // A cancel or time-out sent SIGTERM through the token; the caller's own
    // failure did not.
    if (m_failure && !m_cancel->cancelled())
        ProcessGroup::terminate(m_pid);
    const auto killAt = Clock::now() + killDelay;
    Clock::duration wait = 1ms;
    for (;;) {
        if (!m_reaped)
            reap(false);
        if (m_reaped && !ProcessGroup::alive(m_pid))
            return;
        if (Clock::now() >= killAt) {
            ProcessGroup::kill(m_pid);
            break;
        }
        ::poll(nullptr, 0, milliseconds(std::min<Clock::duration>(wait, killAt - Clock::now())));
        wait = std::min<Clock::duration>(wait * 2, tick);
    }
    if (!m_reaped)
        reap(true);
}

void ToolRun::reap(bool block)
{
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(m_pid, &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == m_pid) {
        m_reaped = true;
        m_status = status;
    } else if (result < 0) {
        // Someone else reaped it (a SIGCHLD handler set to ignore): it is gone.
        m_reaped = true;
        m_status = -1;
    }
}

void ToolRun::closePipes()
{
    for (int* fd : { &m_out, &m_err }) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}
