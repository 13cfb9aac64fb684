#pragma once

#include "BrisError.h"
#include "Downloader.h"

#include <QList>
#include <QString>

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

    void finish(Result result);
    void report(const DownloadUpdate& update);

    // Worker side: waits for the answer (or for cancellation when `cancelEnds`).
    Result await(const UpdateCallback& update, bool cancelEnds);
    void close();

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    Result m_result;
    QList<DownloadUpdate> m_reports;
    bool m_closed = false;
};

// A Downloader whose operations block until the test releases them, for races
// and timing the real tools cannot stage on demand.
class ControlledEngine : public Downloader
{
public:
    enum class Kind { versions, analyze, exportJob };

    explicit ControlledEngine(const QString& dataDir);
    ~ControlledEngine() override;

    // Answers that need no waiting; a null function makes that operation wait.
    std::function<QString()> versionsNow = [] { return QStringLiteral("yt-dlp 2025.11.12\nffmpeg version 5.1"); };
    std::function<QList<VideoInfo>(const QString&)> analyzeNow;
    std::function<DownloadJob(const DownloadJob&)> exportNow;
    // A cancelled call ends at once as cancelled; false keeps it until answered.
    bool cancelEnds = true;
    qint64 cache = 0;

    int count(Kind kind) const;
    std::shared_ptr<EngineCall> call(Kind kind, int index) const;
    // Ends every waiting and later call as cancelled.
    void close();

    QString versions(const CancellationPtr& cancel) const override;
    QList<VideoInfo> analyze(const QString& text, const CancellationPtr& cancel) const override;
    DownloadJob exportJob(
        const DownloadJob& job, const CancellationPtr& cancel, const UpdateCallback& update) const override;
    qint64 cacheBytes() const override { return cache; }
    void clearCache() const override { }

private:
    template <typename T>
    T held(Kind kind, const CancellationPtr& cancel, const QString& text = {}, const DownloadJob& job = {},
        const UpdateCallback& update = {}) const;

    mutable std::mutex m_lock;
    mutable QList<std::pair<Kind, std::shared_ptr<EngineCall>>> m_calls;
    mutable bool m_closed = false;
};
