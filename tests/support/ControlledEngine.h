#pragma once

#include "BrisError.h"
#include "Downloader.h"

#include <QList>
#include <QString>

#include <array>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <variant>

// One engine operation in flight, held until the test answers it. Its worker
// thread delivers the progress reports the test queues, as the engine would.
class EngineCall
{
public:
    using Result = std::variant<std::monostate, QString, QList<VideoInfo>, DownloadJob, BrisError>;

    QString text;
    DownloadJob job;
    CancellationPtr token;

    void finish(Result result)
    {
        std::lock_guard lock(m_lock);
        m_result = std::move(result);
        m_changed.notify_all();
    }
    void report(const DownloadUpdate& update)
    {
        std::lock_guard lock(m_lock);
        m_reports.append(update);
        m_changed.notify_all();
    }
    void close() { finish(BrisError::cancelled()); }

    // Worker side: waits for the answer (or for cancellation when `cancelEnds`).
    Result await(const UpdateCallback& update, bool cancelEnds)
    {
        std::unique_lock lock(m_lock);
        while (true) {
            while (!m_reports.isEmpty()) {
                const DownloadUpdate next = m_reports.takeFirst();
                lock.unlock();
                if (update)
                    update(next);
                lock.lock();
            }
            if (!std::holds_alternative<std::monostate>(m_result))
                return m_result;
            if (cancelEnds && token->cancelled())
                return BrisError::cancelled();
            // The token has no wake-up of its own: look again shortly.
            m_changed.wait_for(lock, std::chrono::milliseconds(5));
        }
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    Result m_result;
    QList<DownloadUpdate> m_reports;
};

// A Downloader whose operations block until the test releases them, for races
// and timing the real tools cannot stage on demand.
class ControlledEngine : public Downloader
{
public:
    enum class Kind { versions, analyze, exportJob, clearCache };

    explicit ControlledEngine(const QString& dataDir)
        : Downloader(Toolchain(), BrisPaths(dataDir))
    {
    }
    ~ControlledEngine() override { close(); }

    QString versionsLine(const CancellationPtr&) const override
    {
        return QStringLiteral("yt-dlp 2025.11.12 · node 24.22.3 · incluido");
    }

    // Answers that need no waiting; a null function makes that operation wait.
    std::function<QString()> versionsNow = [] { return QStringLiteral("yt-dlp 2025.11.12\nffmpeg version 5.1"); };
    std::function<QList<VideoInfo>(const QString&)> analyzeNow;
    std::function<DownloadJob(const DownloadJob&)> exportNow;
    // A cancelled call ends at once as cancelled; false keeps it until answered.
    bool cancelEnds = true;
    qint64 cache = 0;
    // Emptying the cache waits for an answer (a text) instead of ending at once.
    bool holdClearing = false;

    int count(Kind kind) const
    {
        std::lock_guard lock(m_lock);
        return int(m_calls[int(kind)].size());
    }
    std::shared_ptr<EngineCall> call(Kind kind, int index) const
    {
        std::lock_guard lock(m_lock);
        return m_calls[int(kind)].value(index);
    }
    // Ends every waiting and later call as cancelled.
    void close()
    {
        std::lock_guard lock(m_lock);
        m_closed = true;
        for (const auto& calls : m_calls)
            for (const auto& call : calls)
                call->close();
    }

    QString versions(const CancellationPtr& cancel) const override
    {
        return versionsNow ? versionsNow() : held<QString>(Kind::versions, cancel);
    }
    QList<VideoInfo> analyze(const QString& text, const CancellationPtr& cancel) const override
    {
        return analyzeNow ? analyzeNow(text) : held<QList<VideoInfo>>(Kind::analyze, cancel, text);
    }
    DownloadJob exportJob(
        const DownloadJob& job, const CancellationPtr& cancel, const UpdateCallback& update) const override
    {
        return exportNow ? exportNow(job) : held<DownloadJob>(Kind::exportJob, cancel, {}, job, update);
    }
    qint64 cacheBytes() const override { return cache; }
    void clearCache() const override
    {
        if (holdClearing)
            held<QString>(Kind::clearCache, std::make_shared<Cancellation>());
    }

private:
    template <typename T>
    T held(Kind kind, const CancellationPtr& cancel, const QString& text = {}, const DownloadJob& job = {},
        const UpdateCallback& update = {}) const
    {
        auto call = std::make_shared<EngineCall>();
        call->text = text;
        call->job = job;
        call->token = cancel;
        {
            std::lock_guard lock(m_lock);
            m_calls[int(kind)].append(call);
            if (m_closed)
                call->close();
        }
        const EngineCall::Result result = call->await(update, cancelEnds);
        if (const BrisError* error = std::get_if<BrisError>(&result))
            throw *error;
        return std::get<T>(result);
    }

    mutable std::mutex m_lock;
    mutable std::array<QList<std::shared_ptr<EngineCall>>, 4> m_calls;
    mutable bool m_closed = false;
};
