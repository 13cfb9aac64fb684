#include "CheckLog.h"

#include "BrisError.h"

using namespace Qt::Literals::StringLiterals;

CheckLog::CheckLog(SuiteSupport::Printer print)
    : m_print(std::move(print))
{
}

void CheckLog::record(bool passed, const QString& name, const QString& detail)
{
    m_checks.append(Check { name, passed, detail });
    print((passed ? u"PASS "_s : u"FAIL "_s) + name + u' ' + detail);
    if (!passed)
        throw BrisError::message(u"Falló: "_s + name);
}

void CheckLog::append(const Check& check)
{
    m_checks.append(check);
}

void CheckLog::print(const QString& line) const
{
    if (m_print)
        m_print(line);
}
