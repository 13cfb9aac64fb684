#include "Cancellation.h"

#include "BrisError.h"
#include "ProcessGroup.h"

bool Cancellation::cancelled() const
{
    std::lock_guard lock(m_lock);
    return m_stopped;
}

void Cancellation::check() const
{
    if (cancelled())
        throw BrisError::cancelled();
}

void Cancellation::cancel()
{
    pid_t process = 0;
    {
        std::lock_guard lock(m_lock);
        m_stopped = true;
        process = m_process;
        m_process = 0;
    }
    // Never signal under the lock.
    ProcessGroup::terminate(process);
}

void Cancellation::attach(pid_t pid)
{
    bool stopped = false;
    {
        std::lock_guard lock(m_lock);
        m_process = pid;
        stopped = m_stopped;
    }
    if (stopped)
        ProcessGroup::terminate(pid);
}

void Cancellation::detach(pid_t pid)
{
    std::lock_guard lock(m_lock);
    if (m_process == pid)
        m_process = 0;
}
