#include "InstanceLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {
QString canonical(const QString& folder)
{
    const QFileInfo info(folder);
    const QString resolved = info.canonicalFilePath();
    return resolved.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : resolved;
}
} // namespace

InstanceLock::InstanceLock(const QString& folder)
{
    QDir().mkpath(folder);
    m_file = std::make_unique<QLockFile>(QDir(folder).filePath(u".brisomar-instance.lock"_s));
    // Age says nothing: a window may stay open for weeks. Only a dead owner frees the lock.
    m_file->setStaleLockTime(0);
    if (m_file->tryLock(0))
        m_state = State::held;
    else
        m_state = m_file->error() == QLockFile::LockFailedError ? State::busy : State::unavailable;
}

InstanceLock::~InstanceLock() = default;

QString InstanceLock::refusal(const QString& folder)
{
    return u"Otra ventana o prueba de Brisomar está usando %1. Cerrala o esperá a que termine y volvé a intentarlo."_s
        .arg(QDir::toNativeSeparators(folder));
}

QString InstanceLock::serverName(const QString& folder)
{
    // Short enough for a socket path, and each user's own.
    const QByteArray digest
        = QCryptographicHash::hash(canonical(folder).toUtf8(), QCryptographicHash::Sha256).toHex().left(24);
    return u"brisomar-%1-%2"_s.arg(::getuid()).arg(QString::fromLatin1(digest));
}
