#include "AppModel.h"

#include "Background.h"
#include "BrisError.h"
#include "DesktopServices.h"
#include "Engine.h"
#include "FileSystem.h"
#include "JobQueue.h"

#include <QFileInfo>
#include <QUrl>

// The folder, library and cache actions of the settings and library screens.

using namespace Qt::Literals::StringLiterals;

void AppModel::chooseFolder()
{
    const QString current = m_preferences.folder;
    const QString start = QFileInfo(current).isDir() ? current : QString();
    const std::optional<QString> chosen = m_services
        ? m_services->chooseFolder(start, u"Guardar aquí"_s, u"Elegí dónde guardar las descargas de Brisomar."_s)
        : std::nullopt;
    if (!chosen || chosen->isEmpty())
        return;
    Preferences changed = m_preferences;
    changed.folder = *chosen;
    setPreferences(changed);
}

void AppModel::openFolder()
{
    const QString folder = m_preferences.folder;
    try {
        FileSystem::makeDirectories(folder);
    } catch (const std::exception& error) {
        show(errorDescription(error), true);
        return;
    }
    if (m_services)
        m_services->openUrl(QUrl::fromLocalFile(folder));
}

void AppModel::reveal(const DownloadJob& job)
{
    if (!job.fileAvailable() || !job.path) {
        show(u"El archivo se movió o ya no existe. Podés volver a descargarlo."_s, true);
        return;
    }
    if (m_services)
        m_services->revealFile(*job.path);
}

void AppModel::play(const DownloadJob& job)
{
    if (!job.fileAvailable() || !job.path) {
        show(u"El archivo se movió o ya no existe."_s, true);
        return;
    }
    static const QStringList builtIn = { u"mp4"_s, u"mp3"_s, u"m4a"_s, u"wav"_s, u"flac"_s };
    if (builtIn.contains(QFileInfo(*job.path).suffix().toLower()))
        setPreviewJob(job);
    else if (m_services)
        m_services->openWithExternalPlayer(*job.path);
}

void AppModel::clearCache()
{
    if (m_queue->running() || m_clearingCache)
        return;
    // Up to the cache's whole size to delete: on the pool, with the queue held so
    // that no job starts on an original that is going away.
    m_clearingCache = true;
    m_queue->hold(true);
    Q_EMIT cacheSizeChanged();
    runThenCallback(
        m_pool, this,
        [engine = m_engine] {
            std::exception_ptr error;
            try {
                engine->clearCache();
            } catch (...) {
                error = std::current_exception();
            }
            // After a failure part of it may be gone: the figure is measured again.
            return std::pair { error, error ? measureCache(*engine) : std::optional<qint64>(0) };
        },
        [this](const std::pair<std::exception_ptr, std::optional<qint64>>& outcome) {
            m_clearingCache = false;
            if (outcome.second)
                m_cacheSize = *outcome.second;
            Q_EMIT cacheSizeChanged();
            if (outcome.first)
                show(errorDescription(outcome.first), true);
            else
                show(u"Caché de originales vaciada. Tus descargas se conservan."_s, false);
            m_queue->hold(false);
        });
}
