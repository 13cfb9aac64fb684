#include "Storage.h"

#include "FileSystem.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace Storage {

void prepare(const BrisPaths& paths)
{
    FileSystem::makeDirectories(paths.cache(), u"la carpeta de datos"_s);
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

QString jobKey(const DownloadJob& job)
{
    return job.video.storageID() + u'|' + job.profile.key() + u'|' + canonicalFolderPath(job.folder);
}

} // namespace Storage
