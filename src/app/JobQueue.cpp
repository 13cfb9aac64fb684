#include "JobQueue.h"

#include "Background.h"
#include "BrisError.h"
#include "Cancellation.h"
#include "DownloadUpdate.h"
#include "Engine.h"
#include "LocalStorage.h"
#include "Storage.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString cancelledDetail = u"Podés reintentar para continuar."_s;
const QString waitingDetail = u"En espera"_s;

struct ExportResult
{
    std::optional<DownloadJob> job;
    std::exception_ptr error;
    std::optional<qint64> cacheBytes;
};

} // namespace

std::optional<qint64> measureCache(const AppEngine& engine)
{
    try {
        return engine.cacheBytes();
    } catch (...) {
        return std::nullopt;
    }
}

JobQueue::JobQueue(AppEnginePtr engine, QThreadPool& pool, QObject* parent)
    : QObject(parent)
    , m_engine(std::move(engine))
    , m_pool(pool)
{
}

std::optional<DownloadJob> JobQueue::active() const
{
    if (!m_activeID)
        return std::nullopt;
    const qsizetype index = indexOf(*m_activeID);
    return index < 0 ? std::nullopt : std::optional(m_jobs[index]);
}

QList<DownloadJob> JobQueue::newestFirst(bool completed) const
{
    QList<DownloadJob> result;
    for (const DownloadJob& job : m_jobs)
        if ((job.state == JobState::completed) == completed)
            result.append(job);
    std::stable_sort(
        result.begin(), result.end(), [](const DownloadJob& a, const DownloadJob& b) { return a.created > b.created; });
    return result;
}

int JobQueue::pendingCount() const
{
    return int(
        std::count_if(m_jobs.cbegin(), m_jobs.cend(), [](const DownloadJob& job) { return isPending(job.state); }));
}

std::optional<DownloadJob> JobQueue::savedVersion(const DownloadJob& job) const
{
    const QString key = Storage::jobKey(job);
    for (const DownloadJob& saved : m_jobs)
        if (saved.state == JobState::completed && Storage::jobKey(saved) == key && saved.fileAvailable())
            return saved;
    return std::nullopt;
}

bool JobQueue::pending(const DownloadJob& job) const
{
    const QString key = Storage::jobKey(job);
    return std::any_of(m_jobs.cbegin(), m_jobs.cend(),
        [&](const DownloadJob& listed) { return isPending(listed.state) && Storage::jobKey(listed) == key; });
}

void JobQueue::add(const DownloadJob& job)
{
    m_jobs.append(job);
    Q_EMIT jobsChanged();
    Q_EMIT historyEdited();
}

qsizetype JobQueue::indexOf(const QUuid& id) const
{
    const auto found
        = std::find_if(m_jobs.cbegin(), m_jobs.cend(), [&](const DownloadJob& job) { return job.id == id; });
    return found == m_jobs.cend() ? -1 : found - m_jobs.cbegin();
}

void JobQueue::hold(bool held)
{
    m_held = held;
    pump();
}

void JobQueue::pump()
{
    if (m_activeID || !m_engineReady || m_held)
        return;
    const auto next = std::find_if(
        m_jobs.begin(), m_jobs.end(), [](const DownloadJob& job) { return job.state == JobState::queued; });
    if (next == m_jobs.end())
        return;
    const DownloadJob queued = *next;
    auto token = std::make_shared<Cancellation>();
    m_activeID = queued.id;
    m_activeToken = token;
    next->state = JobState::downloading;
    next->detail = u"Conectando con "_s + title(queued.video.platform()) + u"…"_s;
    Q_EMIT jobsChanged();
    Q_EMIT historyEdited();

    const QUuid id = queued.id;
    UpdateCallback update = [self = QPointer<JobQueue>(this), id, token](const DownloadUpdate& report) {
        if (token->cancelled())
            return;
        // The queue outlives every engine call (its owner waits for them),
        // so it is safe to post to it from here.
        if (JobQueue* queue = self.data())
            QMetaObject::invokeMethod(
                queue,
                [self, id, token, report] {
                    if (self)
                        self->applyUpdate(id, token, report);
                },
                Qt::QueuedConnection);
    };
    runThenCallback(
        m_pool, this,
        [engine = m_engine, queued, token, update] {
            ExportResult result;
            try {
                result.job = engine->exportJob(queued, token, update);
            } catch (...) {
                result.error = std::current_exception();
            }
            result.cacheBytes = measureCache(*engine);
            return result;
        },
        [this, id, token](
            const ExportResult& result) { finish(id, token, result.job, result.error, result.cacheBytes); });
}

void JobQueue::applyUpdate(const QUuid& id, const CancellationPtr& token, const DownloadUpdate& update)
{
    if (m_activeID != id || token->cancelled())
        return;
    const qsizetype index = indexOf(id);
    if (index < 0 || !isActive(m_jobs[index].state))
        return;
    DownloadJob& job = m_jobs[index];
    const JobState before = job.state;
    // Only the running states are the engine's to report; the outcome comes with the returned record.
    if (isActive(update.state))
        job.state = update.state;
    if (std::isfinite(update.progress))
        job.progress = std::max(std::clamp(update.progress, 0.0, 1.0), job.progress);
    job.detail = update.detail;
    if (update.reused)
        job.reusedOriginal = true;
    if (job.state != before)
        Q_EMIT jobsChanged();
    Q_EMIT jobUpdated(id);
}

void JobQueue::finish(const QUuid& id, const CancellationPtr& token, const std::optional<DownloadJob>& finished,
    std::exception_ptr error, std::optional<qint64> cacheBytes)
{
    // Cleared before the job's new state is announced, so that screens reading
    // `active` on that signal no longer see this job running.
    if (m_activeID == id) {
        m_activeID.reset();
        m_activeToken.reset();
    }
    const qsizetype index = indexOf(id);
    if (finished) {
        if (index >= 0) {
            m_jobs[index] = *finished;
            Q_EMIT jobsChanged();
        }
        Q_EMIT message(finished->video.title + u" ya está guardado en tu Mac."_s, false);
    } else {
        const bool cancelled = token->cancelled();
        const QString description = errorDescription(error);
        if (index >= 0) {
            m_jobs[index].state = cancelled ? JobState::cancelled : JobState::failed;
            m_jobs[index].detail = cancelled ? cancelledDetail : description;
            Q_EMIT jobsChanged();
        }
        if (!cancelled)
            Q_EMIT message(description, true);
    }
    if (cacheBytes)
        Q_EMIT cacheMeasured(*cacheBytes);
    Q_EMIT historyEdited();
    pump();
}

void JobQueue::retry(const DownloadJob& job)
{
    if (!m_engineReady)
        return;
    const qsizetype index = indexOf(job.id);
    if (index < 0 || isActive(m_jobs[index].state))
        return;
    const QString key = Storage::jobKey(m_jobs[index]);
    for (const DownloadJob& other : std::as_const(m_jobs)) {
        if (other.id != job.id && isPending(other.state) && Storage::jobKey(other) == key) {
            Q_EMIT message(u"Esa descarga ya está en la cola."_s, false);
            return;
        }
    }
    DownloadJob& retried = m_jobs[index];
    retried.state = JobState::queued;
    retried.progress = 0;
    retried.detail = waitingDetail;
    retried.path.reset();
    retried.bytes.reset();
    Q_EMIT jobsChanged();
    Q_EMIT historyEdited();
    pump();
}

void JobQueue::cancel(const DownloadJob& job)
{
    if (m_activeID == job.id && m_activeToken)
        m_activeToken->cancel();
    const qsizetype index = indexOf(job.id);
    if (index >= 0 && m_jobs[index].state != JobState::completed) {
        m_jobs[index].state = JobState::cancelled;
        m_jobs[index].detail = cancelledDetail;
        Q_EMIT jobsChanged();
    }
    Q_EMIT historyEdited();
}

void JobQueue::remove(const DownloadJob& job)
{
    // The screen's copy may be older than the list: a job retried since then is running.
    const qsizetype index = indexOf(job.id);
    if (isPending(job.state) || (index >= 0 && isPending(m_jobs[index].state)))
        return;
    if (m_jobs.removeIf([&](const DownloadJob& listed) { return listed.id == job.id; }) > 0)
        Q_EMIT jobsChanged();
    Q_EMIT historyEdited();
}

void JobQueue::cancelRun()
{
    if (m_activeToken)
        m_activeToken->cancel();
}

void JobQueue::interruptPending()
{
    bool changed = false;
    for (DownloadJob& job : m_jobs) {
        if (isPending(job.state)) {
            job.state = JobState::interrupted;
            job.detail = interruptedDetail;
            changed = true;
        }
    }
    if (changed)
        Q_EMIT jobsChanged();
}
