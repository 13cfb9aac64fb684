#include "Watchdog.h"

#include "BrisError.h"

#include <QString>

using namespace Qt::Literals::StringLiterals;

Watchdog::Watchdog(CancellationPtr token, std::optional<std::chrono::milliseconds> budget)
    : m_token(std::move(token))
{
    if (!budget)
        return;
    m_budget = *budget;
    m_thread = std::thread([this] {
        std::unique_lock lock(m_lock);
        if (m_wake.wait_for(lock, m_budget, [this] { return m_done; }))
            return;
        m_expired = true;
        lock.unlock();
        m_token->cancel();
    });
}

Watchdog::~Watchdog()
{
    {
        const std::lock_guard lock(m_lock);
        m_done = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool Watchdog::expired() const
{
    const std::lock_guard lock(m_lock);
    return m_expired;
}

void Watchdog::throwTimeout() const
{
    const double seconds = double(m_budget.count()) / 1000;
    throw BrisError::message(u"La prueba en vivo superó su tiempo de %1 s sin terminar."_s.arg(seconds));
}
