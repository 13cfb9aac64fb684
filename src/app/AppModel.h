#pragma once

#include "Appearance.h"
#include "AppEngine.h"
#include "DownloadJob.h"
#include "DownloadProfile.h"
#include "JobQueue.h"
#include "LibraryKind.h"
#include "LinkAnalysis.h"
#include "Preferences.h"
#include "Section.h"
#include "VideoInfo.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <QUuid>

#include <chrono>
#include <memory>
#include <optional>

class AppUpdates;
class Cancellation;
class DesktopServices;
class HistorySaver;
class LocalStorage;
class QTimer;

// The one observable object of the application: the screens read its state
// and call its operations. Lives on the main thread; engine calls run on its
// own worker pool and resume here, so a late result never reaches a deleted
// model. Every signal is emitted after the change it announces.
class AppModel : public QObject
{
    Q_OBJECT

public:
    // Prepares the data directory and loads the preferences and the history;
    // unfinished jobs of the last run become interrupted and none starts. An
    // unreadable file is renamed aside and named in a banner.
    // A null `engine` means the default Downloader; `services` may be null
    // (headless runs), which reads as an empty clipboard and cancelled choosers.
    explicit AppModel(AppEnginePtr engine = {}, DesktopServices* services = nullptr, QObject* parent = nullptr);
    // As above with a given update controller, which the model adopts.
    AppModel(AppEnginePtr engine, DesktopServices* services, AppUpdates* updates, QObject* parent = nullptr);
    // Cancels the running work and waits for the engine calls to return.
    ~AppModel() override;

    // Published state.
    QString link() const { return m_analysis->link(); }
    std::optional<VideoInfo> info() const { return m_analysis->info(); }
    QList<VideoInfo> candidates() const { return m_analysis->candidates(); }
    std::optional<QString> analyzedLink() const { return m_analysis->analyzedLink(); }
    bool analyzing() const { return m_analysis->analyzing(); }
    bool engineReady() const { return m_engineReady; }
    bool engineChecking() const { return m_engineChecking; }
    QString engineDetail() const { return m_engineDetail; }
    Section section() const { return m_section; }
    DownloadProfile profile() const { return m_profile; }
    QList<DownloadJob> jobs() const { return m_queue->jobs(); }
    Preferences preferences() const { return m_preferences; }
    std::optional<QString> banner() const { return m_banner; }
    bool bannerError() const { return m_bannerError; }
    bool settings() const { return m_settings; }
    qint64 cacheSize() const { return m_cacheSize; }
    // The cache is being emptied; no job starts meanwhile.
    bool clearingCache() const { return m_clearingCache; }
    QString librarySearch() const { return m_librarySearch; }
    LibraryKind libraryKind() const { return m_libraryKind; }
    std::optional<DownloadJob> previewJob() const { return m_previewJob; }
    AppUpdates* updates() const { return m_updates; }
    // The engine section of the settings: the versions in use ("yt-dlp 2026.11.23 ·
    // node 24.22.3 · incluido", "… · actualizado" for a refreshed yt-dlp; empty
    // until the engine check has run), whether a refresh is running, the sentence
    // its last result left (empty before the first), and whether a previous
    // refreshed engine can come back.
    QString engineVersions() const { return m_engineVersions; }
    bool engineRefreshing() const { return m_engineRefreshing; }
    QString engineRefreshStatus() const { return m_engineRefreshStatus; }
    bool engineRollbackAvailable() const { return m_engineRollbackAvailable; }

    // Derived state, computed on every read.
    std::optional<DownloadJob> active() const { return m_queue->active(); }
    // Unfinished jobs, then finished ones; both newest first.
    QList<DownloadJob> queue() const { return m_queue->newestFirst(false); }
    QList<DownloadJob> completed() const { return m_queue->newestFirst(true); }
    // Jobs queued or running.
    int pendingCount() const { return m_queue->pendingCount(); }
    // Nothing follows the system's scheme.
    std::optional<ColorScheme> colorScheme() const { return ::colorScheme(m_preferences.appearance); }
    // The heights the quality picker offers for `info`, largest first.
    QList<qint64> videoQualities() const;

    // Setters for the screens. A new link text drops the video analysed for
    // another link; a new profile is snapped to the video's qualities when its
    // audio format or its container changed. Both are then saved as the draft.
    void setLink(const QString& link) { m_analysis->setLink(link); }
    void setProfile(const DownloadProfile& profile);
    void setSection(Section section);
    void setSettings(bool settings);
    void setLibrarySearch(const QString& search);
    void setLibraryKind(LibraryKind kind);
    void setPreviewJob(const std::optional<DownloadJob>& job);
    void clearInfo() { m_analysis->clearInfo(); }
    void clearBanner();
    // The settings screen's changes; each one writes the preferences file.
    void setPreferences(const Preferences& preferences);
    void setAppearance(Appearance appearance);
    void setMetadata(bool metadata);
    // "Mantener el motor actualizado"; the hourly look for a due refresh reads it.
    void setKeepEngineCurrent(bool keep);

    // How long a banner stays (8 s); tests shorten it.
    void setBannerDuration(std::chrono::milliseconds duration) { m_bannerDuration = duration; }
    // How often the model sees whether the daily engine refresh is due (hourly); before start.
    void setEngineRefreshInterval(std::chrono::milliseconds interval) { m_engineRefreshInterval = interval; }

    // Lifecycle and engine.
    void start();
    void checkEngine();
    void show(const QString& text, bool error);
    // Saves the draft, stops all running work, interrupts pending jobs and
    // writes the history; returns once both files are written. Waits for no
    // engine call.
    void shutdown();
    // The link and profile being edited are saved after a pause in the edits;
    // these save a waiting draft now, and also wait for the history's saves.
    void saveDraftNow();
    void finishSaving();

    // Analysis of the link.
    void paste();
    // `text` as if pasted from the clipboard: analysed when it is a link, refused otherwise.
    void pasteLink(const QString& text);
    void analyze() { m_analysis->analyze(); }
    void cancelAnalysis() { m_analysis->cancel(); }
    void chooseVideo(const QString& id) { m_analysis->choose(id); }

    // Queue; jobs are found by id, the argument is the screen's copy.
    void enqueue();
    void retry(const DownloadJob& job) { m_queue->retry(job); }
    void cancel(const DownloadJob& job) { m_queue->cancel(job); }
    void remove(const DownloadJob& job) { m_queue->remove(job); }

    // Library actions.
    void chooseFolder();
    void openFolder();
    void reveal(const DownloadJob& job);
    void play(const DownloadJob& job);
    void clearCache();

    // Looks for a newer yt-dlp and, once it passed its checks, switches to it as
    // soon as no job is pending and no analysis runs. Refused while busy.
    void refreshEngine();
    // Back to the previous refreshed yt-dlp, under the same busy rule.
    void rollBackEngine();

Q_SIGNALS:
    // link, info, candidates, analyzedLink or analyzing.
    void linkStateChanged();
    // engineReady, engineChecking or engineDetail.
    void engineStateChanged();
    // engineVersions, engineRefreshing, engineRefreshStatus or engineRollbackAvailable.
    void engineRefreshChanged();
    void sectionChanged();
    void profileChanged();
    void preferencesChanged();
    // banner or bannerError.
    void bannerChanged();
    void settingsChanged();
    // cacheSize or clearingCache.
    void cacheSizeChanged();
    // librarySearch or libraryKind.
    void libraryFilterChanged();
    void previewJobChanged();
    // Jobs added, removed or moved to another state.
    void jobsChanged();
    // A progress report changed one job's progress or detail.
    void jobUpdated(const QUuid& id);

private:
    // The application tests save on demand, to check what a save keeps.
    friend class QueueTest;

    void load();
    void assignProfile(const DownloadProfile& profile);
    void normalizeQuality();
    void saveDraft();
    void persist();
    void savePreferences();
    void setCacheSize(qint64 bytes);
    void setEngineState(bool ready, bool checking, const QString& detail);
    void setEngineRefresh(bool refreshing, const QString& status);
    void setEngineVersions(const QString& line);
    void startEngineRefresh(bool automatic);
    void refreshEngineWhenDue();
    // Puts a verified engine in use once nothing is pending.
    void adoptVerifiedEngine();
    void replaceEngine(AppEnginePtr engine);
    bool busy() const { return pendingCount() > 0 || analyzing(); }

    AppEnginePtr m_engine;
    DesktopServices* m_services = nullptr;
    AppUpdates* m_updates = nullptr;
    QThreadPool m_pool;
    // Children of the model; their work runs on `m_pool`.
    LinkAnalysis* m_analysis = nullptr;
    JobQueue* m_queue = nullptr;
    std::unique_ptr<LocalStorage> m_storage;
    // Goes before the storage it writes through.
    std::unique_ptr<HistorySaver> m_historySaver;
    QTimer m_draftTimer;

    bool m_engineReady = false;
    bool m_engineChecking = true;
    QString m_engineDetail;
    QString m_engineVersions;
    bool m_engineRefreshing = false;
    QString m_engineRefreshStatus;
    bool m_engineRollbackAvailable = false;
    std::shared_ptr<Cancellation> m_refreshToken;
    // A newer yt-dlp that passed its checks and waits for the queue to empty.
    QString m_verifiedEngine;
    QTimer* m_engineRefreshTimer = nullptr;
    Section m_section = Section::newDownload;
    DownloadProfile m_profile;
    Preferences m_preferences;
    std::optional<QString> m_banner;
    // A banner that returns when a passing one ends, until the user closes it.
    std::optional<QString> m_lastingBanner;
    bool m_bannerError = false;
    bool m_settings = false;
    qint64 m_cacheSize = 0;
    bool m_clearingCache = false;
    QString m_librarySearch;
    LibraryKind m_libraryKind = LibraryKind::all;
    std::optional<DownloadJob> m_previewJob;

    std::shared_ptr<Cancellation> m_statusToken;
    qint64 m_bannerRevision = 0;
    std::chrono::milliseconds m_bannerDuration;
    std::chrono::milliseconds m_engineRefreshInterval { std::chrono::hours(1) };
};
