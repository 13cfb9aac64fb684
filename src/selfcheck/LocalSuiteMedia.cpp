#include "LocalSuite.h"

#include "AppModel.h"
#include "BrisError.h"
#include "FileSystem.h"
#include "FixtureEngine.h"
#include "Fixtures.h"
#include "LocalSuiteSamples.h"
#include "SocialValidation.h"
#include "TestAudio.h"
#include "TextFormatting.h"

#include <QElapsedTimer>
#include <QFile>

#include <cmath>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using namespace LocalSuiteSamples;

namespace {

QString expectedCodec(AudioFormat format)
{
    switch (format) {
    case AudioFormat::mp3:
        return u"mp3"_s;
    case AudioFormat::m4a:
    case AudioFormat::original: // the cached original is the AAC made from the test sound
        return u"aac"_s;
    case AudioFormat::opus:
        return u"opus"_s;
    case AudioFormat::flac:
        return u"flac"_s;
    case AudioFormat::wav:
        return u"pcm_s16le"_s;
    }
    return {};
}

} // namespace

void LocalSuite::prepareAudio()
{
    FileSystem::makeDirectories(m_downloads);
    const QString wav = file(u"test-audio.wav"_s);
    QFile out(wav);
    const QByteArray sound = TestAudio::wav();
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(sound) != sound.size() || !out.flush())
        throw SystemError(u"No se pudo escribir %1 (%2)."_s.arg(wav, out.errorString()));
    out.close();
    m_original = file(u"test-audio.m4a"_s);
    m_engine->tools().run(u"ffmpeg"_s,
        { u"-v"_s, u"error"_s, u"-nostdin"_s, u"-y"_s, u"-i"_s, wav, u"-c:a"_s, u"aac"_s, u"-b:a"_s, u"128k"_s,
            m_original },
        std::make_shared<Cancellation>(), 120);
}

void LocalSuite::checkSocialAudio()
{
    const QList<std::pair<MediaPlatform, QString>> links = {
        { MediaPlatform::facebook, u"https://www.facebook.com/watch/?v=4200000001"_s },
        { MediaPlatform::instagram, u"https://www.instagram.com/reel/BrisomarAudio/"_s },
        { MediaPlatform::twitter, u"https://x.com/BrisomarQA/status/4200000001"_s },
    };
    // Each video has its own cache entry, work directory and name.
    QList<std::function<DownloadJob()>> steps;
    QStringList platforms;
    for (const auto& [platform, link] : links) {
        const VideoInfo video = sampleVideo(platform, u"4200000001"_s, link, u"Audio social "_s + title(platform));
        seedOriginal(video);
        steps.append([this, video] { return exportJob(video, Fixtures::audioProfile(AudioFormat::mp3, 128)); });
        platforms.append(title(platform));
    }
    bool reused = true;
    SuiteSupport::twoAtATime<DownloadJob>(steps, [&](const DownloadJob& done) {
        m_saved.append(done);
        reused = reused && done.state == JobState::completed && done.reusedOriginal;
    });
    m_log.record(
        reused, u"Audio social se convierte y reutiliza el original por plataforma"_s, platforms.join(u", "_s));
}

void LocalSuite::checkRealEngine(CheckLog& log, const SuiteSupport::Printer& print) const
{
    SocialValidation::offline(*m_engine, m_root.path(), print);
    log.record(true, u"Motor real: audio combinado, clip exacto y video silencioso MP4/MKV"_s,
        u"own-post.json, own-separate.json"_s);
}

void LocalSuite::checkConversions()
{
    const VideoInfo video = sampleVideo(
        MediaPlatform::youtube, u"BrisomarQA0"_s, youtubeWatchURL(u"BrisomarQA0"_s), u"Conversión de prueba"_s);
    seedOriginal(video);
    // Each format has its own work directory and name.
    struct Converted
    {
        DownloadJob job;
        MediaProbe measured;
    };
    QList<std::function<Converted()>> steps;
    for (const AudioFormat format : allCases<AudioFormat>())
        steps.append([this, video, format] {
            const DownloadJob done = exportJob(video, Fixtures::audioProfile(format, 128));
            return Converted { done, m_engine->probe(done.path.value_or(QString()), std::make_shared<Cancellation>()) };
        });
    SuiteSupport::twoAtATime<Converted>(steps, [&](const Converted& converted) {
        m_saved.append(converted.job);
        const AudioFormat format = converted.job.profile.audio;
        const MediaProbe& measured = converted.measured;
        const bool ok = measured.codecs == QStringList { expectedCodec(format) } && measured.audio && !measured.video
            && std::abs(measured.duration - TestAudio::seconds) <= TestAudio::tolerance;
        QString detail = measured.codecs.join(u","_s);
        if (!ok)
            detail += u" · %1 s"_s.arg(measured.duration);
        m_log.record(ok, u"Conversión real "_s + rawValue(format), detail);
    });
}

void LocalSuite::checkCancellation()
{
    // A tool that starts a child of its own and then waits: the child is in the
    // tool's process group, which the cancellation must end as a whole.
    const QString script = uR"(const c = require('child_process').spawn(process.execPath,
            ['-e', 'setTimeout(() => {}, 600000)'], { stdio: 'ignore' });
        console.log('CHILD:' + c.pid);
        setTimeout(() => {}, 600000);)"_s;
    const CancellationPtr token = std::make_shared<Cancellation>();
    qint64 child = 0;
    bool running = false;
    QElapsedTimer sinceCancel;
    QString outcome = u"terminó sin cancelarse"_s;
    bool cancelled = false;
    try {
        m_engine->tools().run(u"node"_s, { u"-e"_s, script }, token, 60, [&](const QString& line) {
            if (child != 0 || !line.startsWith(u"CHILD:"_s))
                return;
            child = line.mid(6).trimmed().toLongLong();
            running = child > 0 && !SuiteSupport::processGone(child, 0ms);
            sinceCancel.start();
            token->cancel();
        });
    } catch (const BrisError& error) {
        cancelled = error.isCancelled();
        outcome = error.fullDescription();
    }
    m_log.record(child > 0 && running, u"Proceso hijo de prueba iniciado"_s, u"CHILD:%1"_s.arg(child));
    // A time-out also ends a run as cancelled; only a prompt end is the cancel's.
    const bool prompt = sinceCancel.isValid() && sinceCancel.elapsed() < 10'000;
    m_log.record(cancelled && prompt, u"Cancelación del motor confirmada"_s,
        prompt ? u"%1 ms"_s.arg(sinceCancel.elapsed()) : outcome);
    m_log.record(
        SuiteSupport::processGone(child, 5s), u"Cancelar también termina los procesos hijos"_s, u"PID %1"_s.arg(child));
}

void LocalSuite::checkCache()
{
    const qint64 cached = m_engine->cacheBytes();
    m_log.record(cached > 0, u"Caché mide originales"_s, bytesString(cached));

    // Emptied on the model's pool: it has ended when the model says so.
    m_model->clearCache();
    awaitModel(
        *m_model, [&] { return !m_model->clearingCache(); }, u"la caché vaciada"_s);
    QList<DownloadJob> finals = m_saved;
    for (const DownloadJob& job : m_model->jobs())
        if (job.state == JobState::completed)
            finals.append(job);
    const bool kept
        = std::all_of(finals.cbegin(), finals.cend(), [](const DownloadJob& job) { return job.fileAvailable(); });
    m_log.record(kept && m_engine->cacheBytes() == 0, u"Vaciar caché conserva las descargas finales"_s,
        u"%1 archivos conservados"_s.arg(finals.size()));
}
