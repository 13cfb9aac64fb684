#pragma once

#include "BrisPaths.h"
#include "DownloadJob.h"
#include "Preferences.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The history and the preferences files. A file is written only once this run
// has read it, found it absent, or kept an unreadable one aside: one that was
// never read is never replaced.
class LocalStorage
{
public:
    explicit LocalStorage(const BrisPaths& paths);

    struct Loaded
    {
        Preferences preferences;
        // Jobs unfinished in the last run come back interrupted.
        QList<DownloadJob> jobs;
        // Sentences for the user about files that could not be read.
        QStringList notices;
    };
    // Prepares the data directory (throws when it cannot, and both files then
    // stay as they are for the run) and reads both files; an unreadable one is
    // renamed aside at once. BRISOMAR_DOWNLOAD_DIR, when set, overrides the
    // saved folder.
    Loaded load();

    // Both throw on failure, and do nothing for a file this run may not write.
    // The history keeps the newest finished jobs and the last records within
    // its bounds.
    void saveHistory(const QList<DownloadJob>& jobs);
    void savePreferences(const Preferences& preferences);

    // `preferences` remembering the link being written and the profile chosen.
    static Preferences withDraft(Preferences preferences, const QString& link, const DownloadProfile& profile);

private:
    std::optional<Preferences> loadPreferences(QStringList& notices);
    QList<DownloadJob> loadHistory(QStringList& notices);

    BrisPaths m_paths;
    bool m_historyWritable = false;
    bool m_preferencesWritable = false;
};

// The detail of a job the app closed on before it finished.
extern const QString interruptedDetail;
