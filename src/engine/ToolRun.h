#pragma once

#include "BoundedBuffer.h"
#include "Cancellation.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <exception>
#include <functional>
#include <optional>

// One child process of Toolchain::run, driven entirely from the calling thread:
// both pipes are polled there with the deadline, so no event loop and no helper
// thread is needed, and the run is over only when its process group is.
class ToolRun
{
public:
    using LineCallback = std::function<void(const QString&)>;

    ToolRun(CancellationPtr cancel, double timeout, const LineCallback& line);
    ~ToolRun();
    ToolRun(const ToolRun&) = delete;
    ToolRun& operator=(const ToolRun&) = delete;

    // `argv` starts with the executable; `environment` is complete.
    QByteArray exec(const QList<QByteArray>& argv, const QList<QByteArray>& environment);

private:
    using Clock = std::chrono::steady_clock;

    void openPipes();
    void launch(const QList<QByteArray>& argv, const QList<QByteArray>& environment);
    // Reads until the tool and its group are done; false when the run must stop.
    bool pump();
    void readFrom(int& fd);
    void takeOutput(const char* data, qsizetype size);
    void deliver(const char* data, qsizetype size);
    // Ends the whole group: SIGTERM (sent by whoever stopped the run), SIGKILL
    // two seconds later if a member is still alive, and reaps the child.
    void shutdown();
    void reap(bool block);
    void closePipes();

    CancellationPtr m_cancel;
    LineCallback m_line;
    Clock::time_point m_deadline;
    bool m_hasDeadline = true;
    double m_timeout;

    int m_out = -1;
    int m_err = -1;
    int m_outWrite = -1;
    int m_errWrite = -1;
    pid_t m_pid = 0;
    bool m_reaped = false;
    int m_status = 0;
    std::optional<Clock::time_point> m_reapedAt;
    // Members of the group that outlive a finished tool are ended too.
    std::optional<Clock::time_point> m_strayKillAt;
    bool m_strayKilled = false;

    BoundedBuffer m_stdout;
    BoundedBuffer m_stderr;
    QByteArray m_pending;
    QByteArray m_chunk;
    std::exception_ptr m_failure;
};
