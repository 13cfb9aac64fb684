#pragma once

#include "Cancellation.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// Cancels a token once a time budget has passed, so that a live check fails
// in bounded time even when its tools would wait longer.
class Watchdog
{
public:
    // Without a budget nothing is watched.
    Watchdog(CancellationPtr token, std::optional<std::chrono::milliseconds> budget);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    bool expired() const;
    // Runs `work`; a failure caused by the budget is thrown as a time-out the user can read.
    template <typename F> auto call(F&& work) -> decltype(work())
    {
        try {
            return work();
        } catch (...) {
            if (expired())
                throwTimeout();
            throw;
        }
    }

private:
    [[noreturn]] void throwTimeout() const;

    CancellationPtr m_token;
    std::chrono::milliseconds m_budget { 0 };
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_done = false;
    bool m_expired = false;
    std::thread m_thread;
};
