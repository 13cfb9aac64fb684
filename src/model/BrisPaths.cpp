#include "BrisPaths.h"

#include "BrisError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

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

void BrisPaths::prepare() const
{
    // std::filesystem reports why it failed, which QDir::mkpath does not.
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(cache()).toStdString()), error);
    if (error || !QFileInfo(cache()).isDir()) {
        const QString reason = error ? QString::fromLocal8Bit(error.message()) : u"no es una carpeta"_s;
        throw SystemError(
            u"No se pudo crear la carpeta de datos %1 (%2)."_s.arg(QDir::toNativeSeparators(cache()), reason));
    }
}

QString canonicalFolderPath(const QString& folder)
{
    const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QString existing = absolute;
    QString missing;
    while (true) {
        const QString canonical = QFileInfo(existing).canonicalFilePath();
        if (!canonical.isEmpty())
            return missing.isEmpty() ? canonical : QDir::cleanPath(canonical + u'/' + missing);
        const qsizetype slash = existing.lastIndexOf(u'/');
        if (slash < 0)
            return absolute;
        missing = missing.isEmpty() ? existing.mid(slash + 1) : existing.mid(slash + 1) + u'/' + missing;
        existing = slash == 0 ? u"/"_s : existing.left(slash);
    }
}
