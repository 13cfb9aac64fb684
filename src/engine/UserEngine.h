#pragma once

#include "BrisPaths.h"
#include "Toolchain.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The yt-dlp versions the program fetched for itself, beside its data:
// Engine/yt-dlp/<version>/yt-dlp, and Engine/engine.json naming the current
// one and the one before it. Only a recorded version whose file is present
// counts, so deleting the folder falls back to the tools root's own yt-dlp.
class UserEngine
{
public:
    struct Record
    {
        QString current;
        QString previous;
        // When a newer version was last looked for.
        std::optional<QDateTime> checked;

        friend bool operator==(const Record&, const Record&) = default;
    };

    explicit UserEngine(const BrisPaths& paths);

    QString folder() const { return m_folder; }
    // Where `version` lives once accepted.
    QString file(const QString& version) const;
    // An unreadable or missing record reads as empty; a version that is not
    // a release's number (a path, say) as absent.
    Record record() const;
    // Written whole and atomically. Throws SystemError.
    void write(const Record& record) const;

    // `tools` with the current version in place of its yt-dlp, when one is
    // recorded and present.
    Toolchain apply(const Toolchain& tools) const;
    bool hasPrevious() const;

    // Release numbers: "2026.11.23", a nightly's "2026.11.23.123456".
    static bool validVersion(const QString& version);
    // Negative, zero or positive as `a` is older than, equal to or newer than `b`.
    static int compare(const QString& a, const QString& b);

private:
    bool present(const QString& version) const;

    QString m_folder;
};
