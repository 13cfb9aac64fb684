#include "CheckLog.h"

#include "BrisError.h"

using namespace Qt::Literals::StringLiterals;

CheckLog::CheckLog(SuiteSupport::Printer print)
    : m_print(std::move(print))
{
}

void CheckLog::record(bool passed, const QString& name, const QString& detail)
{
    append(Check { name, passed, detail });
    print((passed ? u"PASS "_s : u"FAIL "_s) + name + u' ' + detail);
    if (!passed)
        throw BrisError::message(u"Falló: "_s + name);
}

void CheckLog::append(const Check& check)
{
    (m_held ? m_held->checks : m_checks).append(check);
}

void CheckLog::print(const QString& line)
{
    if (m_held)
        m_held->lines.append(line);
    else if (m_print)
        m_print(line);
}

void CheckLog::hold()
{
    m_held.emplace();
}

CheckLog::Held CheckLog::release()
{
    Held held = m_held.value_or(Held());
    m_held.reset();
    return held;
}

void CheckLog::replay(const Held& held)
{
    for (const QString& line : held.lines)
        print(line);
    for (const Check& check : held.checks)
        append(check);
}
