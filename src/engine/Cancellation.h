#pragma once

#include <sys/types.h>

#include <memory>
#include <mutex>

// A stop switch shared by whoever may cancel (the application model) and the
// engine operation that runs tools on its behalf. Once cancelled it stays so:
// every later run or check on it ends as cancelled.
class Cancellation
{
public:
    Cancellation() = default;
    Cancellation(const Cancellation&) = delete;
    Cancellation& operator=(const Cancellation&) = delete;

    bool cancelled() const;
    // Throws BrisError::cancelled() once cancelled.
    void check() const;
    // Stops the token and sends SIGTERM to the process group of the attached
    // child. The run that attached it sends SIGKILL two seconds later if the
    // group is still there, so this never blocks its caller.
    void cancel();

    // `pid` leads its own process group. A token already cancelled terminates it
    // at once: a cancel that raced with the launch still ends the child.
    void attach(pid_t pid);
    void detach(pid_t pid);

private:
    mutable std::mutex m_lock;
    bool m_stopped = false;
    pid_t m_process = 0;
};

using CancellationPtr = std::shared_ptr<Cancellation>;
