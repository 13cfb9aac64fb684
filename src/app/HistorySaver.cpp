#include "HistorySaver.h"

#include "BrisError.h"
#include "LocalStorage.h"

#include <QMetaObject>

HistorySaver::HistorySaver(LocalStorage& storage, QObject* parent)
    : QObject(parent)
    , m_storage(storage)
{
    m_thread.setMaxThreadCount(1);
}

HistorySaver::~HistorySaver()
{
    finish();
    m_thread.waitForDone();
}

void HistorySaver::save(const QList<DownloadJob>& jobs)
{
    // A buffer of its own: the main thread edits its list in place, and a shared
    // buffer's owners learn of each other only through a relaxed count.
    QList<DownloadJob> copy(jobs.cbegin(), jobs.cend());
    const std::lock_guard lock(m_mutex);
    m_next = std::move(copy);
    if (std::exchange(m_writing, true))
        return;
    m_thread.start([this] { drain(); });
}

void HistorySaver::finish()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_writing; });
}

void HistorySaver::drain()
{
    for (;;) {
        QList<DownloadJob> jobs;
        {
            const std::lock_guard lock(m_mutex);
            if (!m_next) {
                m_writing = false;
                m_idle.notify_all();
                return;
            }
            jobs = *std::exchange(m_next, std::nullopt);
        }
        try {
            m_storage.saveHistory(jobs);
        } catch (const std::exception& error) {
            // The saver outlives this task (its destructor waits), so it may be posted to.
            QMetaObject::invokeMethod(
                this, [this, description = errorDescription(error)] { Q_EMIT failed(description); },
                Qt::QueuedConnection);
        }
    }
}
