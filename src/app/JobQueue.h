#pragma once

#include "AppEngine.h"
#include "DownloadJob.h"

#include <QList>
#include <QObject>
#include <QThreadPool>
#include <QUuid>

#include <exception>
#include <memory>
#include <optional>

class Cancellation;
struct DownloadUpdate;

// The download jobs and the one engine run at a time that works through them.
// Runs resume on the main thread; a result for a job cancelled or removed
// since is applied only as far as it still makes sense.
class JobQueue : public QObject
{
    Q_OBJECT

public:
    // `pool` belongs to the owner, which waits for it before deleting the queue.
    JobQueue(AppEnginePtr engine, QThreadPool& pool, QObject* parent = nullptr);

    const QList<DownloadJob>& jobs() const { return m_jobs; }
    // The history read at launch; announces nothing.
    void restore(const QList<DownloadJob>& jobs) { m_jobs = jobs; }
    std::optional<DownloadJob> active() const;
    // The unfinished or the finished jobs, newest first.
    QList<DownloadJob> newestFirst(bool completed) const;
    bool running() const { return m_activeID.has_value(); }
    int pendingCount() const;
    // No run starts, and no job is retried, while the engine is not ready.
    void setEngineReady(bool ready) { m_engineReady = ready; }
    // Runs started from here on use `engine`; a running one keeps the engine it started with.
    void setEngine(AppEnginePtr engine) { m_engine = std::move(engine); }
    // No run starts while held; released, the queue moves on.
    void hold(bool held);

    // The finished job with the same result whose file is still there.
    std::optional<DownloadJob> savedVersion(const DownloadJob& job) const;
    // Whether a job with the same result waits or runs.
    bool pending(const DownloadJob& job) const;
    void add(const DownloadJob& job);

    // Starts the first queued job unless one runs.
    void pump();
    // Jobs are found by id; the argument is the screen's copy.
    void retry(const DownloadJob& job);
    void cancel(const DownloadJob& job);
    void remove(const DownloadJob& job);
    // Stops the running run; its result will be dropped.
    void cancelRun();
    // Waiting and running jobs become interrupted.
    void interruptPending();

Q_SIGNALS:
    // Jobs added, removed or moved to another state.
    void jobsChanged();
    // A progress report changed one job's progress or detail.
    void jobUpdated(const QUuid& id);
    // The jobs changed in a way the history keeps.
    void historyEdited();
    void message(const QString& text, bool error);
    void cacheMeasured(qint64 bytes);

private:
    qsizetype indexOf(const QUuid& id) const;
    void applyUpdate(const QUuid& id, const std::shared_ptr<Cancellation>& token, const DownloadUpdate& update);
    void finish(const QUuid& id, const std::shared_ptr<Cancellation>& token, const std::optional<DownloadJob>& finished,
        std::exception_ptr error, std::optional<qint64> cacheBytes);

    AppEnginePtr m_engine;
    QThreadPool& m_pool;
    QList<DownloadJob> m_jobs;
    bool m_engineReady = false;
    bool m_held = false;
    std::optional<QUuid> m_activeID;
    std::shared_ptr<Cancellation> m_activeToken;
};

// Measured after each run; a failure to measure keeps the old figure.
std::optional<qint64> measureCache(const AppEngine& engine);
