#include "LiveSuite.h"

#include "BrisError.h"
#include "Downloader.h"
#include "Fixtures.h"
#include "SuiteSupport.h"
#include "Watchdog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

// Each network step gets its own budget, when one is set.
template <typename F> auto guarded(F&& work)
{
    const CancellationPtr cancel = std::make_shared<Cancellation>();
    Watchdog watchdog(cancel, SuiteSupport::liveBudget());
    return watchdog.call([&] { return work(cancel); });
}

QByteArray digest(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        throw SystemError(u"No se pudo leer %1 (%2)."_s.arg(QDir::toNativeSeparators(path), file.errorString()));
    return hash.result();
}

} // namespace

LiveSuite::LiveSuite(const Downloader& engine, const QString& root, const QString& work, CheckLog& log)
    : m_engine(engine)
    , m_root(root)
    , m_work(work)
    , m_log(log)
{
}

QString LiveSuite::link()
{
    // The first video ever published there: 19 seconds, public since 2005.
    return u"https://www.youtube.com/watch?v=jNQXAC9IVRw"_s;
}

QString LiveSuite::publisher()
{
    return u"jawed"_s;
}

void LiveSuite::run()
{
    const QString expected = *youtubeID(link());
    const QList<VideoInfo> videos
        = guarded([&](const CancellationPtr& cancel) { return m_engine.analyze(link(), cancel); });
    const VideoInfo& found = videos.first();
    m_log.record(found.id == expected, u"Consulta real de video público de "_s + publisher(), found.id);

    const QString folder = QDir(m_work).filePath(u"Downloads"_s);
    QList<DownloadJob> done;
    for (const DownloadProfile& profile :
        { Fixtures::audioProfile(AudioFormat::mp3, 128), Fixtures::audioProfile(AudioFormat::mp3, 320),
            Fixtures::videoProfile(VideoContainer::mp4, 360), Fixtures::videoProfile(VideoContainer::mkv, 144) }) {
        const DownloadJob job = guarded([&](const CancellationPtr& cancel) {
            return m_engine.exportJob(DownloadJob::make(found, profile, folder, JobState::queued, false), cancel, {});
        });
        done.append(job);
        m_log.record(job.state == JobState::completed, u"Descarga real "_s + profile.label(),
            QString::number(job.bytes.value_or(0)) + u" bytes"_s);
    }
    SuiteSupport::writeJson(
        QDir(m_root).filePath(u"exports.json"_s), QJsonDocument::fromJson(DownloadJob::encodeHistory(done)));

    QStringList resolutions;
    bool withinChoice = true;
    for (const DownloadJob& job : std::as_const(done)) {
        const QString path = job.path.value_or(QString());
        const MediaProbe measured
            = guarded([&](const CancellationPtr& cancel) { return m_engine.probe(path, cancel); });
        bool expectedStreams = false;
        if (job.profile.kind == DownloadKind::audio)
            expectedStreams = measured.audio && !measured.video && measured.codecs.contains(u"mp3"_s);
        else if (job.profile.container == VideoContainer::mp4)
            expectedStreams = measured.audio && measured.video && measured.codecs.contains(u"h264"_s)
                && measured.codecs.contains(u"aac"_s);
        else
            expectedStreams = measured.audio && measured.video;
        m_log.record(
            expectedStreams, u"Streams finales de "_s + QFileInfo(path).fileName(), measured.codecs.join(u","_s));
        if (job.profile.kind == DownloadKind::video) {
            withinChoice = withinChoice && measured.resolution <= job.profile.height;
            resolutions.append(u"%1p ≤ %2p"_s.arg(measured.resolution).arg(job.profile.height));
        }
    }
    m_log.record(withinChoice, u"Resolución real respeta la selección"_s, resolutions.join(u" · "_s));
    m_log.record(done[1].reusedOriginal, u"MP3 320 reutiliza el original de MP3 128 sin bajar de nuevo"_s,
        done[1].reusedOriginal ? u"original en caché"_s : u"descargado de nuevo"_s);
    const QString first = done[0].path.value_or(QString());
    const QString second = done[1].path.value_or(QString());
    m_log.record(digest(first) != digest(second), u"Los bitrates producen archivos distintos"_s,
        u"%1 bytes ≠ %2 bytes"_s.arg(done[0].bytes.value_or(0)).arg(done[1].bytes.value_or(0)));
}
