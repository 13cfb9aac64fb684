#include "AtomicFile.h"

#include "BrisError.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

using namespace Qt::Literals::StringLiterals;

namespace AtomicFile {

void write(const QString& path, const QByteArray& data)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw SystemError(u"No se pudo escribir %1 (%2)."_s.arg(QDir::toNativeSeparators(path), file.errorString()));
}

void discardLeftovers(const QString& path)
{
    // QSaveFile writes into "<name>.XXXXXX" beside the file and renames it on commit.
    const QFileInfo file(path);
    const QRegularExpression leftover(
        QRegularExpression::anchoredPattern(QRegularExpression::escape(file.fileName()) + u"\\.[A-Za-z0-9]{6}"_s));
    QDir directory = file.dir();
    for (const QString& name : directory.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (leftover.match(name).hasMatch())
            directory.remove(name);
    }
}

} // namespace AtomicFile
