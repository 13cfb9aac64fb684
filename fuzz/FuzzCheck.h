#pragma once

#include <QDebug>
#include <QString>

#include <cstdlib>

// A promise of the code under test that an input broke: abort, so that libFuzzer
// keeps the input as a crash and the run fails.
inline void fuzzCheck(bool holds, const char* promise, const QString& detail = {})
{
    if (holds)
        return;
    qCritical().noquote() << "Broken promise:" << promise << detail;
    std::abort();
}
