#pragma once

#include "Check.h"
#include "SuiteSupport.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The checks of the current run, each printed as one line when it is made.
class CheckLog
{
public:
    explicit CheckLog(SuiteSupport::Printer print = SuiteSupport::printLine);

    // Appends the check and prints "PASS" or "FAIL", the name and the detail. A
    // failed check throws a BrisError message "Falló: <name>", ending the run.
    void record(bool passed, const QString& name, const QString& detail);
    // Appends without printing: the run's own closing entries.
    void append(const Check& check);
    void print(const QString& line);

    // What was recorded and printed while held.
    struct Held
    {
        QStringList lines;
        QList<Check> checks;
    };
    // From now on checks and lines are held back, neither printed nor listed.
    void hold();
    // Stops holding and returns what was held.
    Held release();
    // Prints and lists what was held, as if recorded now.
    void replay(const Held& held);

    const QList<Check>& checks() const { return m_checks; }

private:
    SuiteSupport::Printer m_print;
    QList<Check> m_checks;
    std::optional<Held> m_held;
};
