#pragma once

#include "RulesUnderTest.h"
#include "SuiteSupport.h"

// The suites of "--self-test" (local) and "--live-test" (live): one line per
// check, "report.json" in the scratch root, and the exit status.
namespace Validation {

struct Options
{
    RulesUnderTest rules;
    SuiteSupport::Printer print = SuiteSupport::printLine;
};

// 0 when every check passed, else 1. Blocks until the run is over; the local
// suite runs this thread's events while it awaits the application model.
int run(bool live);
int run(bool live, const Options& options);

} // namespace Validation
