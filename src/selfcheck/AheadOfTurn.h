#pragma once

#include "CheckLog.h"
#include "SuiteSupport.h"

#include <QStringList>

#include <functional>
#include <future>

// Checks that share nothing with the ones before them, started on a thread of
// their own ahead of their turn. What they record and print waits here until
// `join`, which hands it to the run's log in its place and throws their failure
// there: the lines and the report read as if every check had run in turn.
class AheadOfTurn
{
public:
    using Work = std::function<void(CheckLog& log, const SuiteSupport::Printer& print)>;

    explicit AheadOfTurn(Work work);
    // Waits for the work when a failure came before its turn.
    ~AheadOfTurn();
    AheadOfTurn(const AheadOfTurn&) = delete;
    AheadOfTurn& operator=(const AheadOfTurn&) = delete;

    // Waits for the work, then gives `log` its lines and checks; throws its failure.
    void join(CheckLog& log);
    // Runs `later`, the checks that follow this work, on this thread while the
    // work goes on, holding their lines and checks back; then joins, and only
    // then hands them to `log` and throws their failure.
    void joinAround(CheckLog& log, const std::function<void()>& later);

private:
    // The worker's alone until it ends.
    QStringList m_lines;
    SuiteSupport::Printer m_print;
    CheckLog m_log;
    std::future<void> m_done;
};
