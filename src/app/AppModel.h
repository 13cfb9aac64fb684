#pragma once

#include "Cancellation.h"
#include "ColorScheme.h"
#include "DownloadJob.h"
#include "DownloadProfile.h"
#include "DownloadUpdate.h"
#include "Preferences.h"
#include "VideoInfo.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QUuid>

#include <chrono>
#include <memory>
#include <optional>

class AppUpdates;
class DesktopServices;
class Downloader;

// The one observable object of the application: the screens read its state
// and call its operations. Lives on the main thread; engine calls run on its
// own worker pool and resume here, so a late result never reaches a deleted
// model. Every signal is emitted after the change it announces.
class AppModel : public QObject
{
    Q_OBJECT

public:
    // Prepares the data directory and loads the preferences and the history;
    // unfinished jobs of the last run become interrupted and none starts.
    // A null `engine` means the default Downloader; `services` may be null
    // (headless runs), which reads as an empty clipboard and cancelled choosers.
    explicit AppModel(
        std::shared_ptr<Downloader> engine = {}, DesktopServices* services = nullptr, QObject* parent = nullptr);
    // As above with a given update controller, which the model adopts.
    AppModel(
        std::shared_ptr<Downloader> engine, DesktopServices* services, AppUpdates* updates, QObject* parent = nullptr);
    // Cancels the running work and waits for the engine calls to return.
    ~AppModel() override;

    // Published state.
    QString link() const { return m_link; }
    std::optional<VideoInfo> info() const { return m_info; }
    QList<VideoInfo> candidates() const { return m_candidates; }
    std::optional<QString> analyzedLink() const { return m_analyzedLink; }
    bool analyzing() const { return m_analyzing; }
    bool engineReady() const { return m_engineReady; }
    bool engineChecking() const { return m_engineChecking; }
    QString engineDetail() const { return m_engineDetail; }
    QString section() const { return m_section; }
    DownloadProfile profile() const { return m_profile; }
    QList<DownloadJob> jobs() const { return m_jobs; }
    Preferences preferences() const { return m_preferences; }
    std::optional<QString> banner() const { return m_banner; }
    bool bannerError() const { return m_bannerError; }
    bool settings() const { return m_settings; }
    qint64 cacheSize() const { return m_cacheSize; }
    QString librarySearch() const { return m_librarySearch; }
    QString libraryKind() const { return m_libraryKind; }
    std::optional<DownloadJob> previewJob() const { return m_previewJob; }
    AppUpdates* updates() const { return m_updates; }
    const std::shared_ptr<Downloader>& engine() const { return m_engine; }

    // Derived state, computed on every read.
    std::optional<DownloadJob> active() const;
    // Unfinished jobs, then finished ones; both newest first.
    QList<DownloadJob> queue() const;
    QList<DownloadJob> completed() const;
    // Jobs queued or running.
    int pendingCount() const;
    // Nothing follows the system's scheme.
    std::optional<ColorScheme> colorScheme() const;
    // The heights the quality picker offers for `info`, largest first.
    QList<qint64> videoQualities() const;

    // Setters for the screens. A new link text runs linkChanged; a new profile
    // is snapped to the video's qualities when its format, container or kind
    // changed, then saved as the draft.
    void setLink(const QString& link);
    void setProfile(const DownloadProfile& profile);
    void setSection(const QString& section);
    void setSettings(bool settings);
    void setLibrarySearch(const QString& search);
    void setLibraryKind(const QString& kind);
    void setPreviewJob(const std::optional<DownloadJob>& job);
    void clearInfo();
    void clearBanner();
    // The settings screen's changes; each one writes the preferences file.
    void setPreferences(const Preferences& preferences);
    void setAppearance(const QString& appearance);
    void setMetadata(bool metadata);

    // How long a banner stays (8 s); tests shorten it.
    void setBannerDuration(std::chrono::milliseconds duration);

    // Lifecycle and engine.
    void start();
    void checkEngine();
    void show(const QString& text, bool error);
    // Saves the draft, stops all running work, interrupts pending jobs and
    // writes the history. Waits for nothing.
    void shutdown();

    // Analysis of the link.
    void paste();
    void linkChanged();
    void analyze();
    void cancelAnalysis();
    void chooseVideo(const QString& id);
    void normalizeQuality();
    void saveDraft();

    // Queue; jobs are found by id, the argument is the screen's copy.
    void enqueue();
    void pump();
    void retry(const DownloadJob& job);
    void cancel(const DownloadJob& job);
    void remove(const DownloadJob& job);

    // History, preferences and library actions.
    void persist();
    void savePreferences();
    void chooseFolder();
    void openFolder();
    void reveal(const DownloadJob& job);
    void play(const DownloadJob& job);
    void clearCache();

Q_SIGNALS:
    // link, info, candidates, analyzedLink or analyzing.
    void linkStateChanged();
    // engineReady, engineChecking or engineDetail.
    void engineStateChanged();
    void sectionChanged();
    void profileChanged();
    void preferencesChanged();
    // banner or bannerError.
    void bannerChanged();
    void settingsChanged();
    void cacheSizeChanged();
    // librarySearch or libraryKind.
    void libraryFilterChanged();
    void previewJobChanged();
    // Jobs added, removed or moved to another state.
    void jobsChanged();
    // A progress report changed one job's progress or detail.
    void jobUpdated(const QUuid& id);

private:
    void load();
    void loadPreferences();
    void loadHistory();
    void assignProfile(const DownloadProfile& profile);
    void setCacheSize(qint64 bytes);
    void setEngineState(bool ready, bool checking, const QString& detail);
    void setLinkState(const std::optional<VideoInfo>& info, const QList<VideoInfo>& candidates,
        const std::optional<QString>& analyzedLink);
    void setAnalyzing(bool analyzing);
    qsizetype indexOf(const QUuid& id) const;
    void applyUpdate(const QUuid& id, const CancellationPtr& token, const DownloadUpdate& update);
    void finishJob(const QUuid& id, const CancellationPtr& token, const std::optional<DownloadJob>& finished,
        std::exception_ptr error, std::optional<qint64> cacheBytes);
    void keepUnreadable(std::optional<QString>& unreadable);

    // Runs `task` on the worker pool and `then` with its outcome on the main
    // thread, unless the model is gone by then.
    template <typename Task, typename Then> void runThenCallback(Task task, Then then);

    std::shared_ptr<Downloader> m_engine;
    DesktopServices* m_services = nullptr;
    AppUpdates* m_updates = nullptr;
    QThreadPool m_pool;

    QString m_link;
    std::optional<VideoInfo> m_info;
    QList<VideoInfo> m_candidates;
    std::optional<QString> m_analyzedLink;
    bool m_analyzing = false;
    bool m_engineReady = false;
    bool m_engineChecking = true;
    QString m_engineDetail;
    QString m_section;
    DownloadProfile m_profile;
    QList<DownloadJob> m_jobs;
    Preferences m_preferences;
    std::optional<QString> m_banner;
    bool m_bannerError = false;
    bool m_settings = false;
    qint64 m_cacheSize = 0;
    QString m_librarySearch;
    QString m_libraryKind;
    std::optional<DownloadJob> m_previewJob;

    CancellationPtr m_analyzingToken;
    CancellationPtr m_activeToken;
    CancellationPtr m_statusToken;
    std::optional<QUuid> m_activeID;
    qint64 m_bannerRevision = 0;
    std::chrono::milliseconds m_bannerDuration;

    // Files found unreadable at launch: kept aside before the first save replaces them.
    std::optional<QString> m_unreadableHistory;
    std::optional<QString> m_unreadablePreferences;
};
