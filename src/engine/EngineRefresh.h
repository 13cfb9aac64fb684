#pragma once

#include "BrisPaths.h"
#include "Cancellation.h"
#include "Toolchain.h"
#include "UserEngine.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>

// Keeping yt-dlp current without a new release of the program: the newest
// release is found, fetched, checked against yt-dlp's signature and tried
// before it is recorded as the engine in use; the one before it is kept for a
// way back. Blocking and cancellable like every engine operation. Every
// failure leaves the engine in use as it was and throws BrisError::message
// with one sentence that says what went wrong.
class EngineRefresh
{
public:
    struct Found
    {
        QString version;
        // A newer version passed every check and waits to be recorded (adopt);
        // otherwise `version` is the engine in use, already the newest.
        bool verified = false;
    };

    // `tools` as the program uses them now (a recorded yt-dlp in place).
    // BRISOMAR_ENGINE_RELEASES and BRISOMAR_ENGINE_KEYRING, for tests only,
    // point at another release address (plain http allowed on this machine
    // only) and another keyring.
    EngineRefresh(Toolchain tools, BrisPaths paths);

    // Finds the newest release and, when it is newer than the engine in use,
    // fetches, verifies and tries it, and leaves it beside the others.
    Found find(const CancellationPtr& cancel) const;
    // Records `version` (found and verified) as current, the current one as
    // previous, and removes older versions. Throws SystemError.
    void adopt(const QString& version) const;
    // Makes the previous version current again and returns it. Throws
    // BrisError when there is none, SystemError when the record can't be written.
    QString rollBack() const;

    bool hasPrevious() const { return m_user.hasPrevious(); }
    // No search for a newer version in the last day.
    bool due(const QDateTime& now) const;

    // "yt-dlp 2026.11.23 · node 24.22.3 · incluido" ("… · actualizado" for a recorded one).
    static QString versionsLine(const Toolchain& tools, const CancellationPtr& cancel);
    // The binary key packets of an ASCII-armored key, as gpgv reads a keyring.
    static QByteArray dearmor(const QByteArray& armored);
    // The SHA-256 the signed sums give for `name`; empty when they give none.
    static QByteArray listedSum(const QByteArray& sums, const QString& name);

    static constexpr qint64 zipappLimit = 64 * 1024 * 1024;
    static constexpr qint64 sumsLimit = 256 * 1024;

private:
    QString inUse(const CancellationPtr& cancel) const;
    void verifySignature(
        const QString& work, const QString& sums, const QString& signature, const CancellationPtr& cancel) const;
    void tryOut(
        const QString& work, const QString& zipapp, const QString& version, const CancellationPtr& cancel) const;

    Toolchain m_tools;
    UserEngine m_user;
    QUrl m_releases;
    QString m_keyring;
    bool m_testAddress = false;
};
