#pragma once

#include "DownloadJob.h"

#include <QList>
#include <QObject>
#include <QThreadPool>

#include <condition_variable>
#include <mutex>
#include <optional>

class LocalStorage;

// Writes the history off the main thread. Saves asked for while one is being
// written fold into one, of the newest state: a file is never older than one
// written before it, and what was asked last is what stays on disk.
class HistorySaver : public QObject
{
    Q_OBJECT

public:
    // `storage` outlives the saver.
    explicit HistorySaver(LocalStorage& storage, QObject* parent = nullptr);
    // Finishes the saves asked for.
    ~HistorySaver() override;

    void save(const QList<DownloadJob>& jobs);
    // Returns once every save asked for so far is on disk, or has failed.
    void finish();

Q_SIGNALS:
    // On the main thread, with the description of what went wrong.
    void failed(const QString& description);

private:
    void drain();

    LocalStorage& m_storage;
    QThreadPool m_thread;
    // Standard primitives rather than QMutex/QWaitCondition: ThreadSanitizer sees
    // the waits of these, not those inside an uninstrumented Qt.
    std::mutex m_mutex;
    std::condition_variable m_idle;
    std::optional<QList<DownloadJob>> m_next;
    bool m_writing = false;
};
