#include "LocalSuite.h"

#include "AppModel.h"
#include "BrisError.h"
#include "FixtureEngine.h"
#include "Fixtures.h"
#include "LocalSuiteSamples.h"
#include "TestAudio.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;
using namespace LocalSuiteSamples;

namespace {

const QString modelPost = u"https://www.instagram.com/p/BrisomarQA2/"_s;
const QString otherLink = u"https://x.com/BrisomarQA/status/1234567890123456789"_s;

} // namespace

void LocalSuite::openModel()
{
    m_model = std::make_unique<AppModel>(m_engine, nullptr);
    Preferences preferences = m_model->preferences();
    preferences.folder = m_downloads;
    m_model->setPreferences(preferences);
    m_model->setProfile(Fixtures::audioProfile(AudioFormat::mp3, 128));
    m_model->checkEngine();
    awaitModel(
        *m_model, [&] { return !m_model->engineChecking(); }, u"la comprobación del motor"_s);
    if (!m_model->engineReady())
        throw BrisError::message(u"El modelo de la app no encontró el motor: "_s + m_model->engineDetail());

    // The model's post: two clips whose sound waits in the cache.
    const QString address = canonical(modelPost);
    const QJsonObject format { { u"format_id"_s, u"combined"_s },
        { u"url"_s, QUrl::fromLocalFile(m_original).toString(QUrl::FullyEncoded) }, { u"protocol"_s, u"file"_s },
        { u"ext"_s, u"mp4"_s }, { u"vcodec"_s, u"h264"_s }, { u"acodec"_s, u"aac"_s }, { u"width"_s, 640 },
        { u"height"_s, 360 } };
    const QJsonObject post { { u"_type"_s, u"playlist"_s }, { u"id"_s, u"BrisomarQA2"_s },
        { u"title"_s, u"Publicación de prueba"_s }, { u"extractor"_s, u"instagram"_s },
        { u"extractor_key"_s, u"Instagram"_s }, { u"webpage_url"_s, address },
        { u"entries"_s,
            QJsonArray { instagramEntry(u"2000000001"_s, address, TestAudio::seconds, { format }),
                instagramEntry(u"2000000002"_s, address, TestAudio::seconds, { format }) } } };
    const QString document = file(u"model-post.json"_s);
    QFile out(document);
    const QByteArray data = json(post);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(data) != data.size())
        throw SystemError(u"No se pudo escribir %1 (%2)."_s.arg(document, out.errorString()));
    out.close();
    m_engine->serve(*MediaLink::make(address), document);
}

void LocalSuite::checkModelLinks()
{
    const QList<VideoInfo> clips = analyzeInModel(modelPost);
    for (const VideoInfo& clip : clips)
        seedOriginal(clip);
    const QString chosen = clips.value(1).id;
    m_model->chooseVideo(chosen);
    m_log.record(m_model->info() && m_model->info()->id == chosen && m_model->candidates().size() == 2,
        u"Selector mantiene el clip elegido"_s, chosen);

    const qsizetype before = m_model->jobs().size();
    m_model->setLink(otherLink);
    const bool cleared = !m_model->info() && m_model->candidates().isEmpty() && !m_model->analyzedLink();
    m_model->enqueue();
    // Queueing asks for the new link's analysis instead: the link field's
    // clearing alone would leave that unasked.
    const bool reanalysed = m_model->analyzing();
    awaitModel(
        *m_model, [&] { return !m_model->analyzing(); }, u"el análisis del enlace nuevo"_s);
    m_log.record(reanalysed && m_model->jobs().size() == before,
        u"Cambiar enlace bloquea descargar metadatos anteriores"_s,
        u"%1 trabajos%2"_s.arg(m_model->jobs().size())
            .arg(reanalysed ? QString() : u", sin analizar el enlace nuevo"_s));
    m_log.record(cleared, u"Cambiar enlace limpia selección anterior"_s, otherLink);
}

void LocalSuite::checkQueue()
{
    const QList<VideoInfo> clips = analyzeInModel(modelPost);
    m_model->chooseVideo(clips.value(0).id);
    m_model->setProfile(Fixtures::audioProfile(AudioFormat::mp3, 128));

    // The same version twice while it is pending, then again once it is saved.
    const qsizetype before = m_model->jobs().size();
    m_model->enqueue();
    m_model->enqueue();
    const qsizetype pending = m_model->jobs().size();
    const QUuid first = m_model->jobs().last().id;
    awaitModel(
        *m_model, [&] { return finished(first); }, u"la primera descarga"_s);
    const DownloadJob saved = *modelJob(first);
    if (saved.state != JobState::completed)
        throw BrisError::message(u"La descarga de la cola no terminó: "_s + saved.detail);
    m_model->enqueue();
    m_log.record(pending == before + 1 && m_model->jobs().size() == before + 1, u"Versión ya descargada no se repite"_s,
        QFileInfo(saved.path.value_or(QString())).fileName());

    // A second model on the same data finds the first one's job mid-run.
    m_model->setProfile(Fixtures::audioProfile(AudioFormat::m4a, 128));
    m_model->enqueue();
    const QUuid second = m_model->jobs().last().id;
    // The history is written off the interface thread: what was asked is on disk first.
    m_model->finishSaving();
    {
        AppModel reopened(m_engine, nullptr);
        reopened.checkEngine();
        awaitModel(
            reopened, [&] { return !reopened.engineChecking(); }, u"el motor del modelo reabierto"_s);
        const QList<DownloadJob> jobs = reopened.jobs();
        const auto stateOf = [&](const QUuid& id) {
            for (const DownloadJob& job : jobs)
                if (job.id == id)
                    return std::optional(job.state);
            return std::optional<JobState>();
        };
        const bool kept = jobs.size() == m_model->jobs().size() && stateOf(first) == JobState::completed
            && stateOf(second) == JobState::interrupted;
        m_log.record(kept && !reopened.active() && reopened.pendingCount() == 0,
            u"Reabrir conserva historial e interrumpe trabajos sin autoplay"_s,
            u"%1 trabajos, %2"_s.arg(jobs.size()).arg(stateOf(second) ? rawValue(*stateOf(second)) : u"perdido"_s));
    }
    awaitModel(
        *m_model, [&] { return finished(second); }, u"la segunda descarga"_s);

    QFile::remove(saved.path.value_or(QString()));
    const bool noticed = !saved.fileAvailable();
    m_model->retry(saved);
    awaitModel(
        *m_model, [&] { return finished(first); }, u"el reintento"_s);
    const std::optional<DownloadJob> retried = modelJob(first);
    m_log.record(noticed && retried && retried->state == JobState::completed && retried->fileAvailable(),
        u"Archivo borrado se detecta y permite reintentar"_s, QFileInfo(saved.path.value_or(QString())).fileName());
}
