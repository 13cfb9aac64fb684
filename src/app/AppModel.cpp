#include "AppModel.h"

#include "AppUpdates.h"
#include "Background.h"
#include "BrisError.h"
#include "DesktopServices.h"
#include "Downloader.h"
#include "FileSystem.h"
#include "HistorySaver.h"
#include "JobQueue.h"
#include "LinkAnalysis.h"
#include "LocalStorage.h"
#include "QualityLadder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

struct EngineCheck
{
    QString versions;
    std::optional<qint64> cacheBytes;
    QString line;
};

// The versions line is a courtesy: a failure to make it does not fail the check.
QString versionsLine(const AppEngine& engine, const CancellationPtr& token)
{
    try {
        return engine.versionsLine(token);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

AppModel::AppModel(AppEnginePtr engine, DesktopServices* services, QObject* parent)
    : AppModel(std::move(engine), services, nullptr, parent)
{
}

AppModel::AppModel(AppEnginePtr engine, DesktopServices* services, AppUpdates* updates, QObject* parent)
    : QObject(parent)
    , m_engine(engine ? std::move(engine) : std::make_shared<Downloader>())
    , m_services(services)
    , m_updates(updates ? updates : new AppUpdates(services, this))
    , m_analysis(new LinkAnalysis(m_engine, m_pool, this))
    , m_queue(new JobQueue(m_engine, m_pool, this))
    , m_storage(std::make_unique<LocalStorage>(m_engine->paths()))
    , m_historySaver(std::make_unique<HistorySaver>(*m_storage))
    , m_engineDetail(u"Comprobando el motor local…"_s)
    , m_bannerDuration(8s)
{
    m_updates->setParent(this);
    // Stale analyses may still be stopping while a new one and a download run.
    m_pool.setMaxThreadCount(std::max(8, QThread::idealThreadCount()));
    // Long enough to fall between the keys of someone typing, short enough that
    // a crash loses hardly anything typed.
    m_draftTimer.setSingleShot(true);
    m_draftTimer.setInterval(500ms);
    connect(&m_draftTimer, &QTimer::timeout, this, &AppModel::savePreferences);
    connect(m_historySaver.get(), &HistorySaver::failed, this,
        [this](const QString& description) { show(u"El historial no se pudo guardar: "_s + description, true); });

    connect(m_analysis, &LinkAnalysis::changed, this, &AppModel::linkStateChanged);
    connect(m_analysis, &LinkAnalysis::edited, this, &AppModel::saveDraft);
    connect(m_analysis, &LinkAnalysis::videoChosen, this, &AppModel::normalizeQuality);
    connect(m_analysis, &LinkAnalysis::message, this, &AppModel::show);
    connect(m_queue, &JobQueue::jobsChanged, this, &AppModel::jobsChanged);
    connect(m_queue, &JobQueue::jobUpdated, this, &AppModel::jobUpdated);
    connect(m_queue, &JobQueue::historyEdited, this, &AppModel::persist);
    connect(m_queue, &JobQueue::message, this, &AppModel::show);
    connect(m_queue, &JobQueue::cacheMeasured, this, &AppModel::setCacheSize);
    // A verified engine switches in when the last pending job or analysis ends.
    connect(m_queue, &JobQueue::jobsChanged, this, &AppModel::adoptVerifiedEngine);
    connect(m_analysis, &LinkAnalysis::changed, this, &AppModel::adoptVerifiedEngine);
    load();
}

AppModel::~AppModel()
{
    saveDraftNow();
    if (m_statusToken)
        m_statusToken->cancel();
    if (m_refreshToken)
        m_refreshToken->cancel();
    m_analysis->stop();
    m_queue->cancelRun();
    // Cancelled runs end within the engine's grace period; their results are dropped.
    m_pool.waitForDone();
}

void AppModel::load()
{
    LocalStorage::Loaded loaded;
    try {
        loaded = m_storage->load();
    } catch (const std::exception& error) {
        // Set directly: this banner stays until the user closes it, and comes
        // back after any other, since nothing of this run is being kept.
        m_lastingBanner = u"No se pudo abrir el historial local. "_s + errorDescription(error);
        m_banner = m_lastingBanner;
        m_bannerError = true;
        return;
    }
    if (!loaded.notices.isEmpty()) {
        // Said once, with no timer, like the banner above.
        m_banner = loaded.notices.join(u' ');
        m_bannerError = true;
    }
    m_preferences = loaded.preferences;
    m_queue->restore(loaded.jobs);
    m_analysis->restore(m_preferences.lastLink);
    if (m_preferences.lastProfile) {
        try {
            m_preferences.lastProfile->validate();
            m_profile = *m_preferences.lastProfile;
        } catch (const BrisError&) {
        }
    }
    m_profile.metadata = m_preferences.metadata;
}

// Derived state

QList<qint64> AppModel::videoQualities() const
{
    return offeredHeights(m_analysis->info(), m_profile.container);
}

// Setters

void AppModel::setProfile(const DownloadProfile& profile)
{
    if (profile == m_profile)
        return;
    const bool reshaped = profile.audio != m_profile.audio || profile.container != m_profile.container;
    assignProfile(reshaped ? snapped(profile, m_analysis->info()) : profile);
    saveDraft();
}

void AppModel::assignProfile(const DownloadProfile& profile)
{
    if (profile == m_profile)
        return;
    m_profile = profile;
    Q_EMIT profileChanged();
}

void AppModel::setSection(Section section)
{
    if (std::exchange(m_section, section) != section)
        Q_EMIT sectionChanged();
}

void AppModel::setSettings(bool settings)
{
    if (std::exchange(m_settings, settings) != settings)
        Q_EMIT settingsChanged();
}

void AppModel::setLibrarySearch(const QString& search)
{
    if (std::exchange(m_librarySearch, search) != search)
        Q_EMIT libraryFilterChanged();
}

void AppModel::setLibraryKind(LibraryKind kind)
{
    if (std::exchange(m_libraryKind, kind) != kind)
        Q_EMIT libraryFilterChanged();
}

void AppModel::setPreviewJob(const std::optional<DownloadJob>& job)
{
    if (std::exchange(m_previewJob, job) != job)
        Q_EMIT previewJobChanged();
}

void AppModel::clearBanner()
{
    m_lastingBanner.reset();
    if (m_banner) {
        m_banner.reset();
        Q_EMIT bannerChanged();
    }
}

void AppModel::setPreferences(const Preferences& preferences)
{
    if (std::exchange(m_preferences, preferences) != preferences)
        Q_EMIT preferencesChanged();
    savePreferences();
}

void AppModel::setAppearance(Appearance appearance)
{
    Preferences changed = m_preferences;
    changed.appearance = appearance;
    changed.otherAppearance.clear();
    setPreferences(changed);
}

void AppModel::setMetadata(bool metadata)
{
    Preferences changed = m_preferences;
    changed.metadata = metadata;
    setPreferences(changed);
}

void AppModel::setCacheSize(qint64 bytes)
{
    if (std::exchange(m_cacheSize, bytes) != bytes)
        Q_EMIT cacheSizeChanged();
}

void AppModel::setEngineState(bool ready, bool checking, const QString& detail)
{
    if (ready == m_engineReady && checking == m_engineChecking && detail == m_engineDetail)
        return;
    m_engineReady = ready;
    m_engineChecking = checking;
    m_engineDetail = detail;
    m_analysis->setEngineReady(ready);
    m_queue->setEngineReady(ready);
    Q_EMIT engineStateChanged();
}

// Lifecycle and engine

void AppModel::start()
{
    m_updates->setIsBusy(
        [self = QPointer<AppModel>(this)] { return self && (self->pendingCount() > 0 || self->analyzing()); });
    m_updates->start();
    QMetaObject::invokeMethod(this, &AppModel::checkEngine, Qt::QueuedConnection);
    // The first automatic look for a newer engine waits until the start is long over.
    m_engineRefreshTimer = new QTimer(this);
    connect(m_engineRefreshTimer, &QTimer::timeout, this, &AppModel::refreshEngineWhenDue);
    m_engineRefreshTimer->start(m_engineRefreshInterval);
}

void AppModel::checkEngine()
{
    auto token = std::make_shared<Cancellation>();
    if (m_statusToken)
        m_statusToken->cancel();
    m_statusToken = token;
    setEngineState(m_engineReady, true, m_engineDetail);

    runThenCallback(
        m_pool, this,
        [engine = m_engine, token] {
            return capture([&] {
                QString versions = engine->versions(token);
                return EngineCheck { versions, measureCache(*engine), versionsLine(*engine, token) };
            });
        },
        [this, token](const Outcome<EngineCheck>& outcome) {
            // A superseded check was cancelled: its "failure" says nothing about the engine.
            if (!token->cancelled()) {
                if (outcome.value) {
                    setEngineState(true, m_engineChecking, outcome.value->versions);
                    if (outcome.value->cacheBytes)
                        setCacheSize(*outcome.value->cacheBytes);
                    setEngineVersions(outcome.value->line);
                } else {
                    const QString description = errorDescription(outcome.error);
                    setEngineState(false, m_engineChecking, description);
                    show(description, true);
                }
            }
            if (m_statusToken == token) {
                m_statusToken.reset();
                setEngineState(m_engineReady, false, m_engineDetail);
            }
        });
}

void AppModel::show(const QString& text, bool error)
{
    m_banner = text;
    m_bannerError = error;
    const qint64 revision = ++m_bannerRevision;
    Q_EMIT bannerChanged();
    QTimer::singleShot(m_bannerDuration, this, [this, revision] {
        if (m_bannerRevision == revision && m_banner) {
            m_banner = m_lastingBanner;
            if (m_lastingBanner)
                m_bannerError = true;
            Q_EMIT bannerChanged();
        }
    });
}

void AppModel::shutdown()
{
    saveDraft();
    savePreferences();
    if (m_statusToken)
        m_statusToken->cancel();
    if (m_refreshToken)
        m_refreshToken->cancel();
    m_analysis->stop();
    m_queue->cancelRun();
    m_queue->interruptPending();
    persist();
    m_historySaver->finish();
}

void AppModel::saveDraftNow()
{
    if (m_draftTimer.isActive())
        savePreferences();
}

void AppModel::finishSaving()
{
    saveDraftNow();
    m_historySaver->finish();
}

// Analysis

void AppModel::paste()
{
    m_analysis->paste(m_services ? m_services->clipboardText() : std::nullopt);
}

void AppModel::pasteLink(const QString& text)
{
    m_analysis->paste(text);
}

void AppModel::normalizeQuality()
{
    const DownloadProfile normal = snapped(m_profile, m_analysis->info());
    if (normal == m_profile)
        return;
    assignProfile(normal);
    saveDraft();
}

void AppModel::saveDraft()
{
    // No screen shows the draft from the preferences (the link and the profile
    // have signals of their own), so a draft announces nothing.
    const Preferences draft = LocalStorage::withDraft(m_preferences, m_analysis->link(), m_profile);
    if (std::exchange(m_preferences, draft) != draft)
        m_draftTimer.start();
}

// Queue

void AppModel::enqueue()
{
    if (!m_analysis->current()) {
        m_analysis->analyze();
        return;
    }
    try {
        m_profile.validate();
    } catch (const std::exception& error) {
        show(errorDescription(error), true);
        return;
    }
    const DownloadJob job
        = DownloadJob::make(*m_analysis->info(), m_profile, m_preferences.folder, JobState::queued, false);
    if (const std::optional<DownloadJob> saved = m_queue->savedVersion(job)) {
        show(u"Ya tenés esta versión guardada. La encontrás en Descargados."_s, false);
        setSection(Section::library);
        setLibrarySearch(saved->video.title);
        return;
    }
    if (m_queue->pending(job)) {
        show(u"Esa versión ya está en la cola."_s, false);
        setSection(Section::queue);
        return;
    }
    m_queue->add(job);
    setSection(Section::queue);
    m_queue->pump();
}

// Saving and library actions

void AppModel::persist()
{
    m_historySaver->save(m_queue->jobs());
}

void AppModel::savePreferences()
{
    // What is written holds the waiting draft.
    m_draftTimer.stop();
    try {
        m_storage->savePreferences(m_preferences);
    } catch (const std::exception&) {
        show(u"No se pudo guardar la configuración."_s, true);
    }
    DownloadProfile following = m_profile;
    following.metadata = m_preferences.metadata;
    assignProfile(following);
}
