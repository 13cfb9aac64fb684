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
    const QMutexLocker lock(&m_mutex);
    m_next = jobs;
    if (std::exchange(m_writing, true))
        return;
    m_thread.start([this] { drain(); });
}

void HistorySaver::finish()
{
    QMutexLocker lock(&m_mutex);
    while (m_writing)
        m_idle.wait(&m_mutex);
}

void HistorySaver::drain()
{
    for (;;) {
        QList<DownloadJob> jobs;
        {
            const QMutexLocker lock(&m_mutex);
            if (!m_next) {
                m_writing = false;
                m_idle.wakeAll();
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
