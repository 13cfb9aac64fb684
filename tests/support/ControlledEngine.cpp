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

bool EngineCall::ended() const
{
    std::lock_guard lock(m_lock);
    return m_ended;
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
            break;
        if (m_closed || (cancelEnds && token->cancelled())) {
            m_result = BrisError::cancelled();
            break;
        }
        // The token has no wake-up of its own: look again shortly.
        m_changed.wait_for(lock, 5ms);
    }
    m_ended = true;
    return m_result;
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

EngineCall::Result ControlledEngine::run(
    Kind kind, std::shared_ptr<EngineCall> call, const UpdateCallback& update) const
{
    {
        std::lock_guard lock(m_lock);
        m_calls.append({ kind, call });
        if (m_closed)
            call->close();
    }
    EngineCall::Result result = call->await(update, cancelEnds);
    if (const BrisError* error = std::get_if<BrisError>(&result))
        throw *error;
    return result;
}

QString ControlledEngine::versions(const CancellationPtr& cancel) const
{
    if (versionsNow)
        return versionsNow();
    auto call = std::make_shared<EngineCall>();
    call->token = cancel;
    return std::get<QString>(run(Kind::versions, call, {}));
}

QList<VideoInfo> ControlledEngine::analyze(const QString& text, const CancellationPtr& cancel) const
{
    if (analyzeNow)
        return analyzeNow(text);
    auto call = std::make_shared<EngineCall>();
    call->text = text;
    call->token = cancel;
    return std::get<QList<VideoInfo>>(run(Kind::analyze, call, {}));
}

DownloadJob ControlledEngine::exportJob(
    const DownloadJob& job, const CancellationPtr& cancel, const UpdateCallback& update) const
{
    if (exportNow)
        return exportNow(job);
    auto call = std::make_shared<EngineCall>();
    call->job = job;
    call->token = cancel;
    return std::get<DownloadJob>(run(Kind::exportJob, call, update));
}

void ControlledEngine::clearCache() const
{
    if (clearCacheFails)
        throw SystemError(QStringLiteral("No se pudo vaciar la caché."));
}
