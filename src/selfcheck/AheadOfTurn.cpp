#include "AheadOfTurn.h"

AheadOfTurn::AheadOfTurn(Work work)
    : m_print([this](const QString& line) { m_lines.append(line); })
    , m_log(m_print)
    , m_done(std::async(std::launch::async, [this, work = std::move(work)] { work(m_log, m_print); }))
{
}

AheadOfTurn::~AheadOfTurn()
{
    if (m_done.valid())
        m_done.wait();
}

void AheadOfTurn::join(CheckLog& log)
{
    m_done.wait();
    for (const QString& line : std::as_const(m_lines))
        log.print(line);
    for (const Check& check : m_log.checks())
        log.append(check);
    m_done.get();
}

void AheadOfTurn::joinAround(CheckLog& log, const std::function<void()>& later)
{
    log.hold();
    std::exception_ptr failure;
    try {
        later();
    } catch (...) {
        failure = std::current_exception();
    }
    const CheckLog::Held held = log.release();
    join(log);
    log.replay(held);
    if (failure)
        std::rethrow_exception(failure);
}
