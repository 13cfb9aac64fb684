#include "AppModel.h"

#include "AppUpdates.h"
#include "AtomicFile.h"
#include "BrisError.h"
#include "DesktopServices.h"
#include "Downloader.h"
#include "FileSystem.h"
#include "MediaLink.h"
#include "Storage.h"
#include "TextFormatting.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSet>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

constexpr qint64 maxHistoryBytes = 8'000'000;
constexpr qsizetype maxLoadedJobs = 500;
constexpr qsizetype maxSavedJobs = 500;
constexpr qsizetype maxSavedCompleted = 400;
constexpr qsizetype maxDraftLink = 4096;

const QString interruptedDetail = u"La app se cerró. Reintentá para continuar."_s;
const QString cancelledDetail = u"Podés reintentar para continuar."_s;
const QString waitingDetail = u"En espera"_s;

bool isPending(JobState state)
{
    return state == JobState::queued || isActive(state);
}

// A value or the exception that stopped it: worker results cross threads this way.
template <typename T> struct Outcome
{
    std::optional<T> value;
    std::exception_ptr error;
};

template <typename F> auto capture(F&& work) -> Outcome<std::invoke_result_t<F>>
{
    try {
        return { work(), {} };
    } catch (...) {
        return { std::nullopt, std::current_exception() };
    }
}

// The cache size is a courtesy figure: a failure to measure it keeps the old one.
std::optional<qint64> measureCache(const Downloader& engine)
{
    try {
        return engine.cacheBytes();
    } catch (...) {
        return std::nullopt;
    }
}

struct EngineCheck
{
    QString versions;
    std::optional<qint64> cacheBytes;
};

struct ExportResult
{
    std::optional<DownloadJob> job;
    std::exception_ptr error;
    std::optional<qint64> cacheBytes;
};

// A file that exists but could not be used; an empty one holds nothing worth keeping.
std::optional<QString> unusable(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return std::nullopt;
    if (info.isFile() && info.size() == 0)
        return std::nullopt;
    return path;
}

} // namespace

template <typename Task, typename Then> void AppModel::runThenCallback(Task task, Then then)
{
    // The result comes back as a queued call, dropped with the model if it is
    // gone; the model outlives the task, since its destructor waits for the
    // pool. (Qt 6.4's QFuture::then with a context object crashed now and then.)
    m_pool.start([this, task = std::move(task), then = std::move(then)] {
        QMetaObject::invokeMethod(
            this, [then, result = task()] { then(result); }, Qt::QueuedConnection);
    });
}

AppModel::AppModel(std::shared_ptr<Downloader> engine, DesktopServices* services, QObject* parent)
    : AppModel(std::move(engine), services, nullptr, parent)
{
}

AppModel::AppModel(std::shared_ptr<Downloader> engine, DesktopServices* services, AppUpdates* updates, QObject* parent)
    : QObject(parent)
    , m_engine(engine ? std::move(engine) : std::make_shared<Downloader>())
    , m_services(services)
    , m_updates(updates ? updates : new AppUpdates(services, this))
    , m_engineDetail(u"Comprobando el motor local…"_s)
    , m_section(u"new"_s)
    , m_libraryKind(u"all"_s)
    , m_bannerDuration(8s)
{
    m_updates->setParent(this);
    // Stale analyses may still be stopping while a new one and a download run.
    m_pool.setMaxThreadCount(std::max(8, QThread::idealThreadCount()));
    load();
}

AppModel::~AppModel()
{
    for (const CancellationPtr& token : { m_statusToken, m_analyzingToken, m_activeToken })
        if (token)
            token->cancel();
    // Cancelled runs end within the engine's grace period; their results are dropped.
    m_pool.waitForDone();
}

void AppModel::load()
{
    try {
        Storage::prepare(m_engine->paths());
    } catch (const std::exception& error) {
        // Set directly: this banner stays until the user closes it.
        m_banner = u"No se pudo abrir el historial local. "_s + errorDescription(error);
        m_bannerError = true;
        return;
    }
    // Saves cut short by a crash leave their temporary files behind; nothing
    // of this run has saved yet.
    for (const QString& path : { m_engine->paths().history(), m_engine->paths().preferences() })
        AtomicFile::discardLeftovers(path);
    loadPreferences();
    loadHistory();
}

void AppModel::loadPreferences()
{
    const QString path = m_engine->paths().preferences();
    QFile file(path);
    if (file.exists()) {
        std::optional<Preferences> decoded;
        if (file.open(QIODevice::ReadOnly))
            decoded = Preferences::decode(file.readAll());
        if (decoded)
            m_preferences = *decoded;
        else
            m_unreadablePreferences = unusable(path);
    }
    if (const QString folder = qEnvironmentVariable("BRISOMAR_DOWNLOAD_DIR"); !folder.isEmpty())
        m_preferences.folder = folder;
    m_link = m_preferences.lastLink;
    if (m_preferences.lastProfile) {
        try {
            m_preferences.lastProfile->validate();
            m_profile = *m_preferences.lastProfile;
        } catch (const BrisError&) {
        }
    }
    m_profile.metadata = m_preferences.metadata;
}

void AppModel::loadHistory()
{
    const QString path = m_engine->paths().history();
    QFile file(path);
    if (!file.exists())
        return;
    std::optional<QList<DownloadJob>> decoded;
    if (file.open(QIODevice::ReadOnly) && file.size() <= maxHistoryBytes) {
        // The size check above can race with a writer; the read bound cannot.
        const QByteArray data = file.read(maxHistoryBytes + 1);
        if (data.size() <= maxHistoryBytes)
            decoded = DownloadJob::decodeHistory(data);
    }
    if (!decoded) {
        m_unreadableHistory = unusable(path);
        return;
    }
    QList<DownloadJob> jobs;
    for (const DownloadJob& job : std::as_const(*decoded))
        if (job.video.validSource())
            jobs.append(job);
    if (jobs.size() > maxLoadedJobs)
        jobs = jobs.mid(jobs.size() - maxLoadedJobs);
    for (DownloadJob& job : jobs) {
        if (isPending(job.state)) {
            job.state = JobState::interrupted;
            job.detail = interruptedDetail;
        }
    }
    m_jobs = jobs;
}

// Derived state

std::optional<DownloadJob> AppModel::active() const
{
    if (!m_activeID)
        return std::nullopt;
    const qsizetype index = indexOf(*m_activeID);
    return index < 0 ? std::nullopt : std::optional(m_jobs[index]);
}

namespace {
QList<DownloadJob> newestFirst(const QList<DownloadJob>& jobs, bool completed)
{
    QList<DownloadJob> result;
    for (const DownloadJob& job : jobs)
        if ((job.state == JobState::completed) == completed)
            result.append(job);
    std::stable_sort(
        result.begin(), result.end(), [](const DownloadJob& a, const DownloadJob& b) { return a.created > b.created; });
    return result;
}
} // namespace

QList<DownloadJob> AppModel::queue() const
{
    return newestFirst(m_jobs, false);
}

QList<DownloadJob> AppModel::completed() const
{
    return newestFirst(m_jobs, true);
}

int AppModel::pendingCount() const
{
    return int(
        std::count_if(m_jobs.cbegin(), m_jobs.cend(), [](const DownloadJob& job) { return isPending(job.state); }));
}

std::optional<ColorScheme> AppModel::colorScheme() const
{
    if (m_preferences.appearance == u"dark"_s)
        return ColorScheme::dark;
    if (m_preferences.appearance == u"light"_s)
        return ColorScheme::light;
    return std::nullopt;
}

namespace {
// The standard heights between the smallest and the largest the video has.
QList<qint64> offeredHeights(const std::optional<VideoInfo>& info, VideoContainer container)
{
    static const QList<qint64> ladder = { 4320, 2160, 1440, 1080, 720, 480, 360, 240, 144 };
    if (!info)
        return {};
    const QList<qint64> heights = info->heights(container);
    if (heights.isEmpty())
        return {};
    const auto [lowest, highest] = std::minmax_element(heights.cbegin(), heights.cend());
    QList<qint64> offered;
    for (const qint64 height : ladder)
        if (height >= *lowest && height <= *highest)
            offered.append(height);
    return offered;
}
} // namespace

QList<qint64> AppModel::videoQualities() const
{
    return offeredHeights(m_info, m_profile.container);
}

DownloadProfile AppModel::snapped(DownloadProfile profile) const
{
    const QList<qint64> rates = qualities(profile.audio);
    if (!rates.isEmpty() && !rates.contains(profile.bitrate))
        profile.bitrate = rates.contains(192) ? 192 : rates.first();
    if (m_info) {
        const QList<qint64> heights = offeredHeights(m_info, profile.container);
        if (!heights.contains(profile.height) && profile.height != 0)
            profile.height = heights.contains(1080) ? 1080 : heights.isEmpty() ? 0 : heights.first();
    }
    return profile;
}

// Setters

void AppModel::setLink(const QString& link)
{
    if (link == m_link)
        return;
    m_link = link;
    Q_EMIT linkStateChanged();
    linkChanged();
}

void AppModel::setProfile(const DownloadProfile& profile)
{
    if (profile == m_profile)
        return;
    const bool reshaped = profile.audio != m_profile.audio || profile.container != m_profile.container;
    assignProfile(reshaped ? snapped(profile) : profile);
    saveDraft();
}

void AppModel::assignProfile(const DownloadProfile& profile)
{
    if (profile == m_profile)
        return;
    m_profile = profile;
    Q_EMIT profileChanged();
}

void AppModel::setSection(const QString& section)
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

void AppModel::setLibraryKind(const QString& kind)
{
    if (std::exchange(m_libraryKind, kind) != kind)
        Q_EMIT libraryFilterChanged();
}

void AppModel::setPreviewJob(const std::optional<DownloadJob>& job)
{
    if (std::exchange(m_previewJob, job) != job)
        Q_EMIT previewJobChanged();
}

void AppModel::clearInfo()
{
    if (m_info) {
        m_info.reset();
        Q_EMIT linkStateChanged();
    }
}

void AppModel::clearBanner()
{
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

void AppModel::setAppearance(const QString& appearance)
{
    Preferences changed = m_preferences;
    changed.appearance = appearance;
    setPreferences(changed);
}

void AppModel::setMetadata(bool metadata)
{
    Preferences changed = m_preferences;
    changed.metadata = metadata;
    setPreferences(changed);
}

void AppModel::setBannerDuration(std::chrono::milliseconds duration)
{
    m_bannerDuration = duration;
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
    Q_EMIT engineStateChanged();
}

void AppModel::setLinkState(const std::optional<VideoInfo>& info, const QList<VideoInfo>& candidates,
    const std::optional<QString>& analyzedLink)
{
    if (info == m_info && candidates == m_candidates && analyzedLink == m_analyzedLink)
        return;
    m_info = info;
    m_candidates = candidates;
    m_analyzedLink = analyzedLink;
    Q_EMIT linkStateChanged();
}

void AppModel::setAnalyzing(bool analyzing)
{
    if (std::exchange(m_analyzing, analyzing) != analyzing)
        Q_EMIT linkStateChanged();
}

// Lifecycle and engine

void AppModel::start()
{
    m_updates->setIsBusy(
        [self = QPointer<AppModel>(this)] { return self && (self->pendingCount() > 0 || self->m_analyzing); });
    m_updates->start();
    QMetaObject::invokeMethod(this, &AppModel::checkEngine, Qt::QueuedConnection);
}

void AppModel::checkEngine()
{
    auto token = std::make_shared<Cancellation>();
    if (m_statusToken)
        m_statusToken->cancel();
    m_statusToken = token;
    setEngineState(m_engineReady, true, m_engineDetail);

    runThenCallback(
        [engine = m_engine, token] {
            return capture([&] { return EngineCheck { engine->versions(token), measureCache(*engine) }; });
        },
        [this, token](const Outcome<EngineCheck>& outcome) {
            // A superseded check was cancelled: its "failure" says nothing about the engine.
            if (!token->cancelled()) {
                if (outcome.value) {
                    setEngineState(true, m_engineChecking, outcome.value->versions);
                    if (outcome.value->cacheBytes)
                        setCacheSize(*outcome.value->cacheBytes);
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
            m_banner.reset();
            Q_EMIT bannerChanged();
        }
    });
}

void AppModel::shutdown()
{
    saveDraft();
    for (const CancellationPtr& token : { m_statusToken, m_analyzingToken, m_activeToken })
        if (token)
            token->cancel();
    bool changed = false;
    for (DownloadJob& job : m_jobs) {
        if (isPending(job.state)) {
            job.state = JobState::interrupted;
            job.detail = interruptedDetail;
            changed = true;
        }
    }
    if (changed)
        Q_EMIT jobsChanged();
    persist();
}

// Analysis

void AppModel::paste()
{
    const std::optional<QString> text = m_services ? m_services->clipboardText() : std::nullopt;
    if (!text || !MediaLink::make(*text)) {
        show(u"Copiá primero un enlace de YouTube, Facebook, Instagram o X / Twitter."_s, true);
        return;
    }
    cancelAnalysis();
    setLink(text->trimmed());
    clearInfo();
    analyze();
}

void AppModel::linkChanged()
{
    const std::optional<MediaLink> link = MediaLink::make(m_link);
    const std::optional<QString> address = link ? std::optional(link->url()) : std::nullopt;
    if (address != m_analyzedLink)
        setLinkState(std::nullopt, {}, std::nullopt);
    saveDraft();
}

void AppModel::analyze()
{
    if (!m_engineReady || m_analyzing)
        return;
    const std::optional<MediaLink> link = MediaLink::make(m_link);
    if (!link) {
        show(u"Pegá un enlace de YouTube, Facebook, Instagram o X / Twitter."_s, true);
        return;
    }
    if (m_analyzingToken)
        m_analyzingToken->cancel();
    auto token = std::make_shared<Cancellation>();
    m_analyzingToken = token;
    m_analyzing = true;
    m_info.reset();
    m_candidates.clear();
    m_analyzedLink.reset();
    Q_EMIT linkStateChanged();

    const QString text = m_link;
    runThenCallback([engine = m_engine, text, token] { return capture([&] { return engine->analyze(text, token); }); },
        [this, text, token](const Outcome<QList<VideoInfo>>& outcome) {
            if (outcome.value) {
                const std::optional<MediaLink> asked = MediaLink::make(text);
                if (!token->cancelled() && asked && MediaLink::make(m_link) == asked) {
                    const QList<VideoInfo>& videos = *outcome.value;
                    setLinkState(
                        videos.size() == 1 ? std::optional(videos.first()) : std::nullopt, videos, asked->url());
                    normalizeQuality();
                }
            } else if (!token->cancelled()) {
                show(errorDescription(outcome.error), true);
            }
            if (m_analyzingToken == token) {
                m_analyzingToken.reset();
                setAnalyzing(false);
            }
        });
}

void AppModel::cancelAnalysis()
{
    if (m_analyzingToken)
        m_analyzingToken->cancel();
    m_analyzingToken.reset();
    setAnalyzing(false);
}

void AppModel::chooseVideo(const QString& id)
{
    const auto found = std::find_if(
        m_candidates.cbegin(), m_candidates.cend(), [&](const VideoInfo& video) { return video.id == id; });
    const std::optional<VideoInfo> chosen = found == m_candidates.cend() ? std::nullopt : std::optional(*found);
    if (chosen != m_info) {
        m_info = chosen;
        Q_EMIT linkStateChanged();
    }
    normalizeQuality();
}

void AppModel::normalizeQuality()
{
    const DownloadProfile normal = snapped(m_profile);
    if (normal == m_profile)
        return;
    assignProfile(normal);
    saveDraft();
}

void AppModel::saveDraft()
{
    Preferences draft = m_preferences;
    draft.lastLink = graphemePrefix(m_link, maxDraftLink);
    draft.lastProfile = m_profile;
    if (std::exchange(m_preferences, draft) != draft)
        Q_EMIT preferencesChanged();
    savePreferences();
}

// Queue

qsizetype AppModel::indexOf(const QUuid& id) const
{
    const auto found
        = std::find_if(m_jobs.cbegin(), m_jobs.cend(), [&](const DownloadJob& job) { return job.id == id; });
    return found == m_jobs.cend() ? -1 : found - m_jobs.cbegin();
}

void AppModel::enqueue()
{
    const std::optional<MediaLink> link = MediaLink::make(m_link);
    const std::optional<QString> address = link ? std::optional(link->url()) : std::nullopt;
    if (m_analyzedLink != address || !m_info) {
        analyze();
        return;
    }
    try {
        m_profile.validate();
    } catch (const std::exception& error) {
        show(errorDescription(error), true);
        return;
    }
    const DownloadJob job = DownloadJob::make(*m_info, m_profile, m_preferences.folder, JobState::queued, false);
    const QString key = Storage::jobKey(job);
    for (const DownloadJob& saved : std::as_const(m_jobs)) {
        if (saved.state == JobState::completed && Storage::jobKey(saved) == key && saved.fileAvailable()) {
            show(u"Ya tenés esta versión guardada. La encontrás en Descargados."_s, false);
            setSection(u"library"_s);
            setLibrarySearch(saved.video.title);
            return;
        }
    }
    for (const DownloadJob& pending : std::as_const(m_jobs)) {
        if (isPending(pending.state) && Storage::jobKey(pending) == key) {
            show(u"Esa versión ya está en la cola."_s, false);
            setSection(u"queue"_s);
            return;
        }
    }
    m_jobs.append(job);
    Q_EMIT jobsChanged();
    persist();
    setSection(u"queue"_s);
    pump();
}

void AppModel::pump()
{
    if (m_activeID || !m_engineReady)
        return;
    const auto next = std::find_if(
        m_jobs.begin(), m_jobs.end(), [](const DownloadJob& job) { return job.state == JobState::queued; });
    if (next == m_jobs.end())
        return;
    const DownloadJob queued = *next;
    auto token = std::make_shared<Cancellation>();
    m_activeID = queued.id;
    m_activeToken = token;
    next->state = JobState::downloading;
    next->detail = u"Conectando con "_s + title(queued.video.platform()) + u"…"_s;
    Q_EMIT jobsChanged();
    persist();

    const QUuid id = queued.id;
    UpdateCallback update = [self = QPointer<AppModel>(this), id, token](const DownloadUpdate& report) {
        if (token->cancelled())
            return;
        // The model outlives every engine call (its destructor waits for them),
        // so it is safe to post to it from here.
        if (AppModel* model = self.data())
            QMetaObject::invokeMethod(
                model,
                [self, id, token, report] {
                    if (self)
                        self->applyUpdate(id, token, report);
                },
                Qt::QueuedConnection);
    };
    runThenCallback(
        [engine = m_engine, queued, token, update] {
            ExportResult result;
            try {
                result.job = engine->exportJob(queued, token, update);
            } catch (...) {
                result.error = std::current_exception();
            }
            result.cacheBytes = measureCache(*engine);
            return result;
        },
        [this, id, token](
            const ExportResult& result) { finishJob(id, token, result.job, result.error, result.cacheBytes); });
}

void AppModel::applyUpdate(const QUuid& id, const CancellationPtr& token, const DownloadUpdate& update)
{
    if (m_activeID != id || token->cancelled())
        return;
    const qsizetype index = indexOf(id);
    if (index < 0 || !isActive(m_jobs[index].state))
        return;
    DownloadJob& job = m_jobs[index];
    const JobState before = job.state;
    // Only the running states are the engine's to report; the outcome comes with the returned record.
    if (isActive(update.state))
        job.state = update.state;
    if (std::isfinite(update.progress))
        job.progress = std::max(std::clamp(update.progress, 0.0, 1.0), job.progress);
    job.detail = update.detail;
    if (update.reused)
        job.reusedOriginal = true;
    if (job.state != before)
        Q_EMIT jobsChanged();
    Q_EMIT jobUpdated(id);
}

void AppModel::finishJob(const QUuid& id, const CancellationPtr& token, const std::optional<DownloadJob>& finished,
    std::exception_ptr error, std::optional<qint64> cacheBytes)
{
    // Cleared before the job's new state is announced, so that screens reading
    // `active` on that signal no longer see this job running.
    if (m_activeID == id) {
        m_activeID.reset();
        m_activeToken.reset();
    }
    const qsizetype index = indexOf(id);
    if (finished) {
        if (index >= 0) {
            m_jobs[index] = *finished;
            Q_EMIT jobsChanged();
        }
        show(finished->video.title + u" ya está guardado en tu Mac."_s, false);
    } else {
        const bool cancelled = token->cancelled();
        const QString description = errorDescription(error);
        if (index >= 0) {
            m_jobs[index].state = cancelled ? JobState::cancelled : JobState::failed;
            m_jobs[index].detail = cancelled ? cancelledDetail : description;
            Q_EMIT jobsChanged();
        }
        if (!cancelled)
            show(description, true);
    }
    if (cacheBytes)
        setCacheSize(*cacheBytes);
    persist();
    pump();
}

void AppModel::retry(const DownloadJob& job)
{
    if (!m_engineReady)
        return;
    const qsizetype index = indexOf(job.id);
    if (index < 0 || isActive(m_jobs[index].state))
        return;
    const QString key = Storage::jobKey(m_jobs[index]);
    for (const DownloadJob& other : std::as_const(m_jobs)) {
        if (other.id != job.id && isPending(other.state) && Storage::jobKey(other) == key) {
            show(u"Esa descarga ya está en la cola."_s, false);
            return;
        }
    }
    DownloadJob& retried = m_jobs[index];
    retried.state = JobState::queued;
    retried.progress = 0;
    retried.detail = waitingDetail;
    retried.path.reset();
    retried.bytes.reset();
    Q_EMIT jobsChanged();
    persist();
    pump();
}

void AppModel::cancel(const DownloadJob& job)
{
    if (m_activeID == job.id && m_activeToken)
        m_activeToken->cancel();
    const qsizetype index = indexOf(job.id);
    if (index >= 0 && m_jobs[index].state != JobState::completed) {
        m_jobs[index].state = JobState::cancelled;
        m_jobs[index].detail = cancelledDetail;
        Q_EMIT jobsChanged();
    }
    persist();
}

void AppModel::remove(const DownloadJob& job)
{
    // The screen's copy may be older than the list: a job retried since then is running.
    const qsizetype index = indexOf(job.id);
    if (isPending(job.state) || (index >= 0 && isPending(m_jobs[index].state)))
        return;
    if (m_jobs.removeIf([&](const DownloadJob& listed) { return listed.id == job.id; }) > 0)
        Q_EMIT jobsChanged();
    persist();
}

// History, preferences and library actions

void AppModel::keepUnreadable(std::optional<QString>& unreadable)
{
    if (!unreadable)
        return;
    const QString path = *unreadable;
    if (!unusable(path)) {
        unreadable.reset();
        return;
    }
    const QString stem = path + u".unreadable-"_s + QDateTime::currentDateTimeUtc().toString(u"yyyyMMdd-HHmmss"_s);
    QString aside = stem;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = stem + u'-' + QString::number(n);
    if (!QDir().rename(path, aside))
        throw SystemError(u"No se pudo apartar el archivo ilegible %1."_s.arg(QDir::toNativeSeparators(path)));
    unreadable.reset();
}

void AppModel::persist()
{
    QList<DownloadJob> finished;
    for (const DownloadJob& job : std::as_const(m_jobs))
        if (job.state == JobState::completed)
            finished.append(job);
    std::stable_sort(finished.begin(), finished.end(),
        [](const DownloadJob& a, const DownloadJob& b) { return a.created > b.created; });
    QSet<QUuid> keptCompleted;
    for (qsizetype i = 0; i < std::min(finished.size(), maxSavedCompleted); ++i)
        keptCompleted.insert(finished[i].id);

    QList<DownloadJob> saved;
    for (const DownloadJob& job : std::as_const(m_jobs))
        if (job.state != JobState::completed || keptCompleted.contains(job.id))
            saved.append(job);
    if (saved.size() > maxSavedJobs)
        saved = saved.mid(saved.size() - maxSavedJobs);

    try {
        keepUnreadable(m_unreadableHistory);
        AtomicFile::write(m_engine->paths().history(), DownloadJob::encodeHistory(saved));
    } catch (const std::exception& error) {
        show(u"El historial no se pudo guardar: "_s + errorDescription(error), true);
    }
}

void AppModel::savePreferences()
{
    try {
        keepUnreadable(m_unreadablePreferences);
        AtomicFile::write(m_engine->paths().preferences(), m_preferences.encode());
    } catch (const std::exception&) {
        show(u"No se pudo guardar la configuración."_s, true);
    }
    DownloadProfile following = m_profile;
    following.metadata = m_preferences.metadata;
    assignProfile(following);
}

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
    if (m_activeID)
        return;
    try {
        m_engine->clearCache();
    } catch (const std::exception& error) {
        show(errorDescription(error), true);
        return;
    }
    setCacheSize(0);
    show(u"Caché de originales vaciada. Tus descargas se conservan."_s, false);
}
