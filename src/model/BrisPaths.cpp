#include "BrisPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace {

QString defaultDataDirectory()
{
    const QString fromEnvironment = qEnvironmentVariable("BRISOMAR_DATA_DIR");
    if (!fromEnvironment.isEmpty())
        return QFileInfo(fromEnvironment).absoluteFilePath();
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Brisomar"_s;
}

} // namespace

BrisPaths::BrisPaths(std::optional<QString> data)
    : m_data(data ? QFileInfo(*data).absoluteFilePath() : defaultDataDirectory())
{
}

QString BrisPaths::cache() const
{
    return QDir(m_data).filePath(u"Originals"_s);
}

QString BrisPaths::history() const
{
    return QDir(m_data).filePath(u"library.json"_s);
}

QString BrisPaths::preferences() const
{
    return QDir(m_data).filePath(u"preferences.json"_s);
}
