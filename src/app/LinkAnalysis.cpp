#include "LinkAnalysis.h"

#include "Background.h"
#include "BrisError.h"
#include "Cancellation.h"
#include "Engine.h"
#include "MediaLink.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {
std::optional<QString> addressOf(const QString& text)
{
    const std::optional<MediaLink> link = MediaLink::make(text);
    return link ? std::optional(link->url()) : std::nullopt;
}
} // namespace

LinkAnalysis::LinkAnalysis(AppEnginePtr engine, QThreadPool& pool, QObject* parent)
    : QObject(parent)
    , m_engine(std::move(engine))
    , m_pool(pool)
{
}

bool LinkAnalysis::current() const
{
    return m_info && m_analyzedLink == addressOf(m_link);
}

void LinkAnalysis::setLink(const QString& link)
{
    if (link == m_link)
        return;
    m_link = link;
    Q_EMIT changed();
    if (addressOf(m_link) != m_analyzedLink)
        setState(std::nullopt, {}, std::nullopt);
    Q_EMIT edited();
}

void LinkAnalysis::paste(const std::optional<QString>& clipboard)
{
    if (!clipboard || !MediaLink::make(*clipboard)) {
        Q_EMIT message(u"Copiá primero un enlace de YouTube, Facebook, Instagram o X / Twitter."_s, true);
        return;
    }
    cancel();
    setLink(clipboard->trimmed());
    clearInfo();
    analyze();
}

void LinkAnalysis::analyze()
{
    if (!m_engineReady || m_analyzing)
        return;
    if (!MediaLink::make(m_link)) {
        Q_EMIT message(u"Pegá un enlace de YouTube, Facebook, Instagram o X / Twitter."_s, true);
        return;
    }
    if (m_token)
        m_token->cancel();
    auto token = std::make_shared<Cancellation>();
    m_token = token;
    m_analyzing = true;
    m_info.reset();
    m_candidates.clear();
    m_analyzedLink.reset();
    Q_EMIT changed();

    const QString text = m_link;
    runThenCallback(
        m_pool, this,
        [engine = m_engine, text, token] { return capture([&] { return engine->analyze(text, token); }); },
        [this, text, token](const Outcome<QList<VideoInfo>>& outcome) {
            if (outcome.value) {
                const std::optional<MediaLink> asked = MediaLink::make(text);
                if (!token->cancelled() && asked && MediaLink::make(m_link) == asked) {
                    const QList<VideoInfo>& videos = *outcome.value;
                    setState(videos.size() == 1 ? std::optional(videos.first()) : std::nullopt, videos, asked->url());
                    Q_EMIT videoChosen();
                }
            } else if (!token->cancelled()) {
                Q_EMIT message(errorDescription(outcome.error), true);
            }
            if (m_token == token) {
                m_token.reset();
                setAnalyzing(false);
            }
        });
}

void LinkAnalysis::cancel()
{
    if (m_token)
        m_token->cancel();
    m_token.reset();
    setAnalyzing(false);
}

void LinkAnalysis::stop()
{
    if (m_token)
        m_token->cancel();
}

void LinkAnalysis::choose(const QString& id)
{
    const auto found = std::find_if(
        m_candidates.cbegin(), m_candidates.cend(), [&](const VideoInfo& video) { return video.id == id; });
    const std::optional<VideoInfo> chosen = found == m_candidates.cend() ? std::nullopt : std::optional(*found);
    if (chosen != m_info) {
        m_info = chosen;
        Q_EMIT changed();
    }
    Q_EMIT videoChosen();
}

void LinkAnalysis::clearInfo()
{
    if (m_info) {
        m_info.reset();
        Q_EMIT changed();
    }
}

void LinkAnalysis::setState(const std::optional<VideoInfo>& info, const QList<VideoInfo>& candidates,
    const std::optional<QString>& analyzedLink)
{
    if (info == m_info && candidates == m_candidates && analyzedLink == m_analyzedLink)
        return;
    m_info = info;
    m_candidates = candidates;
    m_analyzedLink = analyzedLink;
    Q_EMIT changed();
}

void LinkAnalysis::setAnalyzing(bool analyzing)
{
    if (std::exchange(m_analyzing, analyzing) != analyzing)
        Q_EMIT changed();
}
