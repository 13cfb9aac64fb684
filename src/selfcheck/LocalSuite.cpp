#include "LocalSuite.h"

#include "AheadOfTurn.h"
#include "AppModel.h"
#include "BrisError.h"
#include "FileSystem.h"
#include "FixtureEngine.h"
#include "ModelWait.h"
#include "OriginalRecord.h"
#include "OriginalsCache.h"
#include "TestAudio.h"

#include <QFile>
#include <QJsonDocument>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Engine checks and conversions of a few seconds of media end well within this.
constexpr auto modelLimit = 180s;

} // namespace

LocalSuite::LocalSuite(std::shared_ptr<FixtureEngine> engine, const QString& root, CheckLog& log, RulesUnderTest rules,
    SuiteSupport::Printer print)
    : m_engine(std::move(engine))
    , m_root(root)
    , m_log(log)
    , m_rules(std::move(rules))
    , m_print(std::move(print))
    , m_downloads(m_root.filePath(u"Downloads"_s))
{
}

LocalSuite::~LocalSuite() = default;

void LocalSuite::run()
{
    // The longest check shares nothing with the others: it runs beside them,
    // and its lines come in its place.
    AheadOfTurn realEngine([this](CheckLog& log, const SuiteSupport::Printer& print) { checkRealEngine(log, print); });
    checkLinks();
    prepareAudio();
    checkParser();
    checkSocialAudio();
    openModel();
    checkModelLinks();
    realEngine.joinAround(m_log, [this] {
        checkNames();
        checkConversions();
        checkQueue();
        checkCancellation();
        checkCache();
    });
    m_model.reset();
}

void LocalSuite::seedOriginal(const VideoInfo& video)
{
    const QDir entry(QDir(m_engine->paths().cache()).filePath(video.storageID()));
    FileSystem::makeDirectories(entry.path());
    const QString target = entry.filePath(u"source.m4a"_s);
    FileSystem::removeFile(target);
    if (!QFile::copy(m_original, target))
        throw SystemError(u"No se pudo copiar el audio de prueba a %1."_s.arg(target));
    const OriginalRecord record { video.storageID(), u"source.m4a"_s, TestAudio::seconds,
        FileSystem::regularFileSize(target).value_or(0), OriginalsCache::modified(target) };
    SuiteSupport::writeJson(entry.filePath(u"source.json"_s), QJsonDocument::fromJson(record.toJson()));
}

DownloadJob LocalSuite::save(const VideoInfo& video, const DownloadProfile& profile)
{
    const DownloadJob done = exportJob(video, profile);
    m_saved.append(done);
    return done;
}

DownloadJob LocalSuite::exportJob(const VideoInfo& video, const DownloadProfile& profile) const
{
    return m_engine->exportJob(
        DownloadJob::make(video, profile, m_downloads, JobState::queued, false), std::make_shared<Cancellation>(), {});
}

QList<VideoInfo> LocalSuite::analyzeInModel(const QString& link)
{
    m_model->setLink(link);
    m_model->analyze();
    awaitModel(
        *m_model, [&] { return !m_model->analyzing(); }, u"el análisis"_s);
    if (m_model->candidates().size() < 2)
        throw BrisError::message(
            u"El análisis local de la publicación falló: "_s + m_model->banner().value_or(QString()));
    return m_model->candidates();
}

std::optional<DownloadJob> LocalSuite::modelJob(const QUuid& id) const
{
    for (const DownloadJob& job : m_model->jobs())
        if (job.id == id)
            return job;
    return std::nullopt;
}

bool LocalSuite::finished(const QUuid& id) const
{
    const std::optional<DownloadJob> job = modelJob(id);
    return !job || (job->state != JobState::queued && !isActive(job->state));
}

void LocalSuite::awaitModel(AppModel& model, const std::function<bool()>& done, const QString& what)
{
    if (!waitForModel(model, done, modelLimit))
        throw BrisError::message(u"La app no terminó "_s + what + u" a tiempo."_s);
}
