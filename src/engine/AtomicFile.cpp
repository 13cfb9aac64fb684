#include "AtomicFile.h"

#include "BrisError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString partialMark = u".brisomar-partial-"_s;
constexpr int suffixLength = 6;

[[noreturn]] void fail(const QString& path, int error)
{
    throw SystemError(
        u"No se pudo escribir %1 (%2)."_s.arg(QDir::toNativeSeparators(path), qt_error_string(error)));
}

// A link is written through, as a person who linked the file elsewhere expects.
QString finalTarget(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

QString randomSuffix()
{
    static const QLatin1StringView letters("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    QString suffix;
    for (int i = 0; i < suffixLength; ++i)
        suffix += QChar(letters[QRandomGenerator::global()->bounded(int(letters.size()))]);
    return suffix;
}

bool writeAll(int fd, const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t written = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

// Makes the rename itself last; a file system that cannot sync a folder has
// nothing more to offer, and the file's own content is already on disk.
void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Hidden, and named as no person would name a file: a start removes these
// beside the file, and nothing else.
QString partialName(const QString& fileName)
{
    return u'.' + fileName + partialMark;
}

} // namespace

namespace AtomicFile {

void write(const QString& path, const QByteArray& data)
{
    const QString target = finalTarget(path);
    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    // A new file gets the usual mode (umask applies); a replaced one keeps its own.
    struct stat existing {};
    const bool replaces = ::stat(QFile::encodeName(target).constData(), &existing) == 0;

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = QFile::encodeName(QDir(folder).filePath(partialName(info.fileName()) + randomSuffix()));
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt == 100))
            fail(path, errno);
    }
    auto discard = qScopeGuard([&] {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporary.constData());
    });
    if (replaces)
        ::fchmod(fd, existing.st_mode & 07777);
    if (!writeAll(fd, data) || ::fdatasync(fd) != 0)
        fail(path, errno);
    const int closing = ::close(fd);
    fd = -1;
    if (closing != 0)
        fail(path, errno);
    if (::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0)
        fail(path, errno);
    discard.dismiss();
    syncFolder(folder);
}

void discardLeftovers(const QString& path)
{
    const QFileInfo file(finalTarget(path));
    const QRegularExpression leftover(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(partialName(file.fileName())) + u"[A-Za-z0-9]{%1}"_s.arg(suffixLength)));
    QDir directory = file.dir();
    for (const QString& name : directory.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        if (leftover.match(name).hasMatch())
            directory.remove(name);
    }
}

} // namespace AtomicFile
