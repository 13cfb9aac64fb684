#include "ControlledEngine.h"

using namespace std::chrono_literals;

void EngineCall::finish(Result result)
{
    std::lock_guard lock(m_lock);
    m_result = std::move(result);
    m_changed.notify_all();
}

void EngineCall::report(const DownloadUpdate& update)
{
    std::lock_guard lock(m_lock);
    m_reports.append(update);
    m_changed.notify_all();
}

void EngineCall::close()
{
    std::lock_guard lock(m_lock);
    m_closed = true;
    m_changed.notify_all();
}

EngineCall::Result EngineCall::await(const UpdateCallback& update, bool cancelEnds)
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
        if (m_closed || (cancelEnds && token->cancelled()))
            return BrisError::cancelled();
        // The token has no wake-up of its own: look again shortly.
        m_changed.wait_for(lock, 5ms);
    }
}

ControlledEngine::ControlledEngine(const QString& dataDir)
    : Downloader(Toolchain(), BrisPaths(dataDir))
{
}

ControlledEngine::~ControlledEngine()
{
    close();
}

int ControlledEngine::count(Kind kind) const
{
    std::lock_guard lock(m_lock);
    return int(std::count_if(m_calls.cbegin(), m_calls.cend(), [&](const auto& entry) { return entry.first == kind; }));
}

std::shared_ptr<EngineCall> ControlledEngine::call(Kind kind, int index) const
{
    std::lock_guard lock(m_lock);
    for (const auto& [callKind, call] : m_calls)
        if (callKind == kind && index-- == 0)
            return call;
    return nullptr;
}

void ControlledEngine::close()
{
    std::lock_guard lock(m_lock);
    m_closed = true;
    for (const auto& entry : std::as_const(m_calls))
        entry.second->close();
}

template <typename T>
T ControlledEngine::held(Kind kind, const CancellationPtr& cancel, const QString& text, const DownloadJob& job,
    const UpdateCallback& update) const
{
    auto call = std::make_shared<EngineCall>();
    call->text = text;
    call->job = job;
    call->token = cancel;
    {
        std::lock_guard lock(m_lock);
        m_calls.append({ kind, call });
        if (m_closed)
            call->close();
    }
    const EngineCall::Result result = call->await(update, cancelEnds);
    if (const BrisError* error = std::get_if<BrisError>(&result))
        throw *error;
    return std::get<T>(result);
}

QString ControlledEngine::versions(const CancellationPtr& cancel) const
{
    return versionsNow ? versionsNow() : held<QString>(Kind::versions, cancel);
}

QList<VideoInfo> ControlledEngine::analyze(const QString& text, const CancellationPtr& cancel) const
{
    return analyzeNow ? analyzeNow(text) : held<QList<VideoInfo>>(Kind::analyze, cancel, text);
}

DownloadJob ControlledEngine::exportJob(
    const DownloadJob& job, const CancellationPtr& cancel, const UpdateCallback& update) const
{
    return exportNow ? exportNow(job) : held<DownloadJob>(Kind::exportJob, cancel, {}, job, update);
}
