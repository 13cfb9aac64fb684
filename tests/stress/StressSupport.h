#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Shared by the fault and stress tests.
namespace StressSupport {

// The seed of this run: BRISOMAR_STRESS_SEED when set, else a fresh one. Printed,
// so that a failing run can be repeated.
quint32 seed();

// Every process but this one whose environment holds `variable`=`value`, as
// "pid: command line"; zombies do not count.
QStringList processesTagged(const QByteArray& variable, const QByteArray& value);

} // namespace StressSupport
