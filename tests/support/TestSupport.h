#pragma once

#include <QByteArray>
#include <QString>

namespace TestSupport {

// The tools root assembled by the build.
QString toolsDir();
// A file under tests/ of the source tree.
QString sourcePath(const QString& relative);
// Writes `data` to `path`, creating parent folders; fails the test on error.
bool writeFile(const QString& path, const QByteArray& data);
QByteArray readFile(const QString& path);

} // namespace TestSupport
