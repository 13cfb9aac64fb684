#include "FileSystem.h"

#include "BrisError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

using namespace Qt::Literals::StringLiterals;

namespace {

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void fail(const QString& what, const QString& path, int error)
{
    throw SystemError(u"%1 %2 (%3)."_s.arg(what, QDir::toNativeSeparators(path), reason(error)));
}

// A disk that refuses a name answers "no such file" (FUSE drivers) or "invalid
// argument" (the kernel's FAT and exFAT): with the file and the folder both in
// place, that is the name, and the user is told so rather than that something
// is missing.
[[noreturn]] void failMove(const QString& from, const QString& to, int error)
{
    const QFileInfo target(to);
    if ((error == ENOENT || error == EINVAL) && QFileInfo::exists(from) && target.dir().exists())
        throw SystemError(u"El disco de la carpeta %1 no acepta el nombre «%2». Elegí otra carpeta."_s.arg(
            QDir::toNativeSeparators(target.absolutePath()), target.fileName()));
    fail(u"No se pudo mover el archivo a"_s, to, error);
}

std::filesystem::path native(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// The atomic rename that fails with EEXIST instead of replacing. Some file
// systems (network ones above all) refuse the flag with EINVAL.
int renameNoReplace(const QByteArray& from, const QByteArray& to)
{
#if defined(__linux__)
    return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
#elif defined(__APPLE__)
    return ::renamex_np(from.constData(), to.constData(), RENAME_EXCL);
#else
    errno = EINVAL;
    return -1;
#endif
}

// A hard link never replaces an existing name; the old name goes once the new
// one is in place. Nothing (with errno set) when linking fails otherwise.
std::optional<bool> linkMove(const QByteArray& source, const QByteArray& target)
{
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return true;
    }
    if (errno == EEXIST)
        return false;
    return std::nullopt;
}

} // namespace

namespace FileSystem {

void makeDirectories(const QString& path, const QString& what)
{
    // std::filesystem reports why it failed, which QDir::mkpath does not.
    std::error_code error;
    std::filesystem::create_directories(native(path), error);
    if (error || !QFileInfo(path).isDir()) {
        const QString why = error ? QString::fromLocal8Bit(error.message()) : u"no es una carpeta"_s;
        throw SystemError(u"No se pudo crear %1 %2 (%3)."_s.arg(what, QDir::toNativeSeparators(path), why));
    }
}

void removeFile(const QString& path)
{
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        fail(u"No se pudo borrar"_s, path, errno);
}

void removeTree(const QString& path)
{
    std::error_code error;
    std::filesystem::remove_all(native(path), error);
    if (error)
        fail(u"No se pudo borrar"_s, path, error.value());
}

void discardTree(const QString& path) noexcept
{
    std::error_code error;
    std::filesystem::remove_all(native(path), error);
}

void rename(const QString& from, const QString& to)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        fail(u"No se pudo mover el archivo a"_s, to, errno);
}

bool moveWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (renameNoReplace(source, target) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        failMove(from, to, errno);
    if (const std::optional<bool> moved = linkMove(source, target))
        return *moved;
    if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK)
        failMove(from, to, errno);
    // Neither a careful rename nor hard links: claim the name with an exclusive
    // create first, so that the rename can only replace our own empty file.
    const int claim = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (claim < 0) {
        if (errno == EEXIST)
            return false;
        failMove(from, to, errno);
    }
    ::close(claim);
    if (::rename(source.constData(), target.constData()) != 0) {
        const int error = errno;
        ::unlink(target.constData());
        failMove(from, to, error);
    }
    return true;
}

bool linkWithoutReplacing(const QString& from, const QString& to)
{
    if (const std::optional<bool> moved = linkMove(QFile::encodeName(from), QFile::encodeName(to)))
        return *moved;
    failMove(from, to, errno);
}

NameRules nameRules(const QString& folder)
{
    const QStorageInfo volume(folder);
    return volume.isValid() ? nameRulesOfType(QString::fromUtf8(volume.fileSystemType())) : NameRules::standard;
}

NameRules nameRulesOfType(const QString& type)
{
    // FUSE drivers show as "fuse.<driver>" or "fuseblk.<driver>". A bare
    // "fuseblk" names no driver, and the usual ones on a local disk are
    // ntfs-3g and exfat-fuse: stricter names are the safe guess there.
    QString name = type.toLower();
    if (name == u"fuseblk"_s)
        return NameRules::windowsDisk;
    if (name.startsWith(u"fuse."_s) || name.startsWith(u"fuseblk."_s))
        name = name.section(u'.', 1);
    static const QStringList windowsDisks { u"vfat"_s, u"msdos"_s, u"fat"_s, u"fat12"_s, u"fat16"_s, u"fat32"_s,
        u"umsdos"_s, u"exfat"_s, u"ntfs"_s, u"ntfs3"_s, u"ntfs-3g"_s, u"lowntfs-3g"_s };
    return windowsDisks.contains(name) ? NameRules::windowsDisk : NameRules::standard;
}

QString realPath(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
}

std::optional<QString> fileInside(const QString& reported, const QString& directory, const QString& root)
{
    const QString file = QFileInfo(QDir::cleanPath(reported)).canonicalFilePath();
    if (file.isEmpty() || root.isEmpty() || realPath(directory) != root || !file.startsWith(root + u'/')
        || !QFileInfo(file).isFile())
        return std::nullopt;
    return file;
}

QString templateLiteral(const QString& path)
{
    return QString(path).replace(u'%', u"%%"_s);
}

std::optional<qint64> regularFileSize(const QString& path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return qint64(info.st_size);
}

} // namespace FileSystem
