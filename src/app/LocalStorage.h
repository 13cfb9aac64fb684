#pragma once

#include "BrisPaths.h"
#include "DownloadJob.h"
#include "Preferences.h"

#include <QList>
#include <QString>

#include <optional>

// The history and the preferences files. A file found unreadable at launch is
// renamed aside before the first save replaces it, so nothing is lost silently.
class LocalStorage
{
public:
    explicit LocalStorage(const BrisPaths& paths);

    struct Loaded
    {
        Preferences preferences;
        // Jobs unfinished in the last run come back interrupted.
        QList<DownloadJob> jobs;
    };
    // Prepares the data directory (throws when it cannot) and reads both files;
    // BRISOMAR_DOWNLOAD_DIR, when set, overrides the saved folder.
    Loaded load();

    // Both throw on failure. The history keeps the newest finished jobs and the
    // last records within its bounds.
    void saveHistory(const QList<DownloadJob>& jobs);
    void savePreferences(const Preferences& preferences);

    // `preferences` remembering the link being written and the profile chosen.
    static Preferences withDraft(Preferences preferences, const QString& link, const DownloadProfile& profile);

private:
    std::optional<Preferences> loadPreferences();
    QList<DownloadJob> loadHistory();
    void keepUnreadable(std::optional<QString>& unreadable);

    BrisPaths m_paths;
    std::optional<QString> m_unreadableHistory;
    std::optional<QString> m_unreadablePreferences;
};

// The detail of a job the app closed on before it finished.
extern const QString interruptedDetail;
