#include "AppModel.h"

// Keeping the engine's yt-dlp current: the settings' engine section.

using namespace Qt::Literals::StringLiterals;

void AppModel::setKeepEngineCurrent(bool keep)
{
    Preferences changed = m_preferences;
    changed.keepEngineCurrent = keep;
    setPreferences(changed);
}

void AppModel::refreshEngine()
{
    if (pendingCount() > 0 || analyzing()) {
        setEngineRefresh(m_engineRefreshing, u"Esperá a que termine la cola antes de buscar actualizaciones."_s);
        return;
    }
}

void AppModel::rollBackEngine()
{
}

void AppModel::setEngineRefresh(bool refreshing, const QString& status)
{
    if (refreshing == m_engineRefreshing && status == m_engineRefreshStatus)
        return;
    m_engineRefreshing = refreshing;
    m_engineRefreshStatus = status;
    Q_EMIT engineRefreshChanged();
}
