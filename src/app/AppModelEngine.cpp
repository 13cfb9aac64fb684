#include "AppModel.h"

#include "Background.h"
#include "BrisError.h"
#include "Engine.h"

#include <QDateTime>

// Keeping the engine's yt-dlp current: the settings' engine section.

using namespace Qt::Literals::StringLiterals;

namespace {

const QString busyRefusal = u"Esperá a que termine la cola antes de buscar actualizaciones."_s;

} // namespace

void AppModel::setKeepEngineCurrent(bool keep)
{
    Preferences changed = m_preferences;
    changed.keepEngineCurrent = keep;
    setPreferences(changed);
}

void AppModel::refreshEngine()
{
    startEngineRefresh(false);
}

void AppModel::refreshEngineWhenDue()
{
    if (!m_preferences.keepEngineCurrent || busy() || m_engineRefreshing || !m_verifiedEngine.isEmpty())
        return;
    const std::optional<EngineRefresh> refresher = m_engine->refresher();
    if (refresher && refresher->due(QDateTime::currentDateTimeUtc()))
        startEngineRefresh(true);
}

void AppModel::startEngineRefresh(bool automatic)
{
    if (m_engineRefreshing)
        return;
    if (busy()) {
        if (!automatic)
            setEngineRefresh(false, busyRefusal);
        return;
    }
    std::optional<EngineRefresh> refresher = m_engine->refresher();
    if (!refresher) {
        setEngineRefresh(false, u"Este motor no se actualiza desde Brisomar."_s);
        return;
    }
    auto token = std::make_shared<Cancellation>();
    m_refreshToken = token;
    setEngineRefresh(true, u"Buscando una versión nueva del motor…"_s);
    runThenCallback(
        m_pool, this,
        [refresher = std::move(*refresher), token] { return capture([&] { return refresher.find(token); }); },
        [this, token](const Outcome<EngineRefresh::Found>& outcome) {
            if (m_refreshToken != token)
                return;
            m_refreshToken.reset();
            if (!outcome.value) {
                setEngineRefresh(false, errorDescription(outcome.error));
                return;
            }
            if (!outcome.value->verified) {
                setEngineRefresh(false, u"El motor ya está al día: yt-dlp "_s + outcome.value->version + u'.');
                return;
            }
            m_verifiedEngine = outcome.value->version;
            setEngineRefresh(false, m_engineRefreshStatus);
            adoptVerifiedEngine();
        });
}

void AppModel::adoptVerifiedEngine()
{
    if (m_verifiedEngine.isEmpty())
        return;
    const QString version = m_verifiedEngine;
    if (busy()) {
        setEngineRefresh(false, u"yt-dlp "_s + version + u" está verificado y entra en uso cuando termine la cola."_s);
        return;
    }
    m_verifiedEngine.clear();
    const std::optional<EngineRefresh> refresher = m_engine->refresher();
    try {
        if (!refresher)
            return;
        refresher->adopt(version);
    } catch (const std::exception& error) {
        setEngineRefresh(false, errorDescription(error));
        return;
    }
    replaceEngine(m_engine->reloaded());
    setEngineRefresh(false, u"Motor actualizado a yt-dlp "_s + version + u'.');
}

void AppModel::rollBackEngine()
{
    if (m_engineRefreshing)
        return;
    if (busy()) {
        setEngineRefresh(false, u"Esperá a que termine la cola antes de cambiar de motor."_s);
        return;
    }
    const std::optional<EngineRefresh> refresher = m_engine->refresher();
    if (!refresher)
        return;
    try {
        const QString version = refresher->rollBack();
        replaceEngine(m_engine->reloaded());
        setEngineRefresh(false, u"Volviste a yt-dlp "_s + version + u'.');
    } catch (const std::exception& error) {
        setEngineRefresh(false, errorDescription(error));
    }
}

void AppModel::replaceEngine(AppEnginePtr engine)
{
    if (!engine)
        return;
    m_engine = std::move(engine);
    m_analysis->setEngine(m_engine);
    m_queue->setEngine(m_engine);
    // The check tells the new versions and whether there is still a way back.
    checkEngine();
}

void AppModel::setEngineVersions(const QString& line)
{
    const std::optional<EngineRefresh> refresher = m_engine->refresher();
    const bool rollback = refresher && refresher->hasPrevious();
    if (line == m_engineVersions && rollback == m_engineRollbackAvailable)
        return;
    m_engineVersions = line;
    m_engineRollbackAvailable = rollback;
    Q_EMIT engineRefreshChanged();
}

void AppModel::setEngineRefresh(bool refreshing, const QString& status)
{
    if (refreshing == m_engineRefreshing && status == m_engineRefreshStatus)
        return;
    m_engineRefreshing = refreshing;
    m_engineRefreshStatus = status;
    Q_EMIT engineRefreshChanged();
}
