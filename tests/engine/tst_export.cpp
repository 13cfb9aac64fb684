#include "BrisError.h"
#include "DownloadProgress.h"
#include "FileSystem.h"
#include "Fixtures.h"
#include "OfflineVideo.h"
#include "TestSupport.h"
#include "TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTest>

#include <future>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString cancelled = u"Descarga cancelada. Podés reintentar cuando quieras."_s;
const QString checking = u"Comprobando el archivo final…"_s;

// Downloading stays below its share of the job; from then on progress only grows.
// (A video and its sound are downloaded one after the other, each from 0.)
void verifyProgress(const QList<DownloadUpdate>& updates, double downloadShare)
{
    double previous = 0;
    for (const DownloadUpdate& update : updates) {
        if (update.state == JobState::downloading) {
            QVERIFY(update.progress <= downloadShare);
            continue;
        }
        QVERIFY2(update.progress >= previous, qPrintable(update.detail));
        previous = update.progress;
    }
}

} // namespace

class ExportTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void audioForms_data();
    void audioForms();
    void secondFormReusesTheOriginal();
    void videoExports_data();
    void videoExports();
    void requiredSpace_data();
    void requiredSpace();
    void failures_data();
    void failures();
    void collisionsTakeTheNextCounter();
    void moveNeverReplaces_data();
    void moveNeverReplaces();
    void cancellation_data();
    void cancellation();

private:
    TestMedia m_media;
};

void ExportTest::audioForms_data()
{
    QTest::addColumn<DownloadProfile>("profile");
    QTest::addColumn<QString>("codec");
    QTest::addColumn<QString>("name");

    QTest::newRow("mp3 at 320 with tags")
        << Fixtures::audioProfile(AudioFormat::mp3, 320, true) << u"mp3"_s << u"Dos tonos [abcdefghijk] mp3-320.mp3"_s;
    QTest::newRow("m4a at 128 without tags")
        << Fixtures::audioProfile(AudioFormat::m4a, 128, false) << u"aac"_s << u"Dos tonos [abcdefghijk] m4a-128.m4a"_s;
    QTest::newRow("opus at 160 with tags") << Fixtures::audioProfile(AudioFormat::opus, 160, true) << u"opus"_s
                                           << u"Dos tonos [abcdefghijk] opus-160.opus"_s;
    QTest::newRow("flac without tags, its bit rate ignored")
        << Fixtures::audioProfile(AudioFormat::flac, 999, false) << u"flac"_s << u"Dos tonos [abcdefghijk] flac.flac"_s;
    QTest::newRow("wav with tags") << Fixtures::audioProfile(AudioFormat::wav, 192, true) << u"pcm_s16le"_s
                                   << u"Dos tonos [abcdefghijk] wav.wav"_s;
    QTest::newRow("original keeps its own extension") << Fixtures::audioProfile(AudioFormat::original, 192, false)
                                                      << u"aac"_s << u"Dos tonos [abcdefghijk] original.m4a"_s;
}

void ExportTest::audioForms()
{
    QFETCH(DownloadProfile, profile);
    QFETCH(QString, codec);
    QFETCH(QString, name);

    OfflineVideo offline(m_media, { u"h264.mp4"_s, u"tone.webm"_s, u"tone.m4a"_s });
    const Outcome outcome = offline.run(offline.job(profile));
    QCOMPARE(outcome.error, QString());

    const DownloadJob& job = *outcome.job;
    const QString path = offline.folder.filePath(name);
    QCOMPARE(job.state, JobState::completed);
    QCOMPARE(job.progress, 1.0);
    QCOMPARE(job.path, std::optional(path));
    QCOMPARE(job.bytes, std::optional(QFileInfo(path).size()));
    QCOMPARE(job.actualHeight, std::optional<qint64>());
    QCOMPARE(job.detail, bytesString(*job.bytes) + u" · Guardado en tu Mac"_s);
    QCOMPARE(job.reusedOriginal, false);
    QVERIFY(qAbs(job.video.duration - 12) < 0.2);
    QCOMPARE(offline.delivered(), QStringList { name });
    QVERIFY(!QFileInfo::exists(offline.workDirectory(profile)));

    const MediaProbe result = offline.engine.probe(path, nullptr);
    QCOMPARE(result.codecs, QStringList { codec });
    QVERIFY2(qAbs(result.duration - 12) < 0.2, qPrintable(QString::number(result.duration)));
    const QMap<QString, QString> tags = TestSupport::mediaTags(path);
    QCOMPARE(tags.value(u"title"_s), profile.metadata ? u"Dos tonos"_s : QString());
    QCOMPARE(tags.value(u"artist"_s), profile.metadata ? u"Brisomar"_s : QString());
    QCOMPARE(tags.value(u"comment"_s), profile.metadata ? offline.video.url() : QString());

    // Fetched once into the cache, through the progress stages of an audio job.
    QVERIFY(QFileInfo::exists(offline.cacheEntry() + u"/source.m4a"_s));
    QVERIFY(!QFileInfo::exists(offline.cacheEntry() + u"/partial"_s));
    QCOMPARE(offline.stand.runs(u"yt-dlp"_s).size(), 1);
    const QList<DownloadUpdate>& updates = outcome.updates;
    QCOMPARE(updates.first().state, JobState::downloading);
    QVERIFY(updates.contains(DownloadUpdate { JobState::converting, 0.72, u"Preparando "_s + profile.label(), false }));
    QCOMPARE(updates.constLast(), (DownloadUpdate { JobState::converting, 0.99, checking, false }));
    verifyProgress(updates, 0.7);
}

void ExportTest::secondFormReusesTheOriginal()
{
    OfflineVideo offline(m_media, { u"h264.mp4"_s, u"tone.m4a"_s });
    QCOMPARE(offline.run(offline.job(Fixtures::audioProfile(AudioFormat::mp3))).error, QString());
    const Outcome second = offline.run(offline.job(Fixtures::audioProfile(AudioFormat::flac)));
    QCOMPARE(second.error, QString());

    QCOMPARE(offline.stand.runs(u"yt-dlp"_s).size(), 1);
    QCOMPARE(second.job->reusedOriginal, true);
    QCOMPARE(second.updates.first(),
        (DownloadUpdate { JobState::converting, 0.72, u"Usando el audio original ya guardado"_s, true }));
    QVERIFY(std::none_of(second.updates.begin(), second.updates.end(),
        [](const DownloadUpdate& update) { return update.state == JobState::downloading || !update.reused; }));
    QCOMPARE(offline.delivered(),
        (QStringList { u"Dos tonos [abcdefghijk] flac.flac"_s, u"Dos tonos [abcdefghijk] mp3-192.mp3"_s }));
}

void ExportTest::videoExports_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QStringList>("renditions");
    QTest::addColumn<DownloadProfile>("profile");
    QTest::addColumn<QStringList>("codecs");
    QTest::addColumn<QString>("preparation");
    QTest::addColumn<QString>("name");

    const QString youtube = u"https://www.youtube.com/watch?v=abcdefghijk"_s;
    const QString id = u"abcdefghijk"_s;
    QTest::newRow("MKV keeps the source codecs")
        << youtube << id << QStringList { u"h264.mp4"_s, u"tone.webm"_s } << Fixtures::videoProfile(VideoContainer::mkv)
        << QStringList { u"h264"_s, u"opus"_s } << QString() << u"Dos tonos [abcdefghijk] 240p.mkv"_s;
    QTest::newRow("MP4 copies H.264 and AAC")
        << youtube << id << QStringList { u"h264.mp4"_s, u"tone.m4a"_s }
        << Fixtures::videoProfile(VideoContainer::mp4, 240) << QStringList { u"h264"_s, u"aac"_s }
        << u"Preparando MP4 para Mac…"_s << u"Dos tonos [abcdefghijk] 240p.mp4"_s;
    QTest::newRow("MP4 re-encodes VP9 and Opus")
        << youtube << id << QStringList { u"vp9.webm"_s, u"tone.webm"_s }
        << Fixtures::videoProfile(VideoContainer::mp4, 0) << QStringList { u"h264"_s, u"aac"_s }
        << u"Convirtiendo video a MP4 compatible con Mac…"_s << u"Dos tonos [abcdefghijk] 240p.mp4"_s;
    QTest::newRow("MP4 of a silent video")
        << youtube << id << QStringList { u"h264.mp4"_s } << Fixtures::videoProfile(VideoContainer::mp4, 360, false)
        << QStringList { u"h264"_s } << u"Preparando MP4 para Mac…"_s << u"Dos tonos [abcdefghijk] 240p.mp4"_s;
    const QString longID = u"A123456789B123456789C123456789D123456789E1234"_s;
    QTest::newRow("an Instagram reel keeps 40 characters of its id")
        << u"https://www.instagram.com/reel/Cabc123/"_s << longID << QStringList { u"h264.mp4"_s, u"tone.m4a"_s }
        << Fixtures::videoProfile(VideoContainer::mkv, 480) << QStringList { u"h264"_s, u"aac"_s } << QString()
        << u"Dos tonos [instagram-A123456789B123456789C123456789D123456789] 240p.mkv"_s;
}

void ExportTest::videoExports()
{
    QFETCH(QString, link);
    QFETCH(QString, id);
    QFETCH(QStringList, renditions);
    QFETCH(DownloadProfile, profile);
    QFETCH(QStringList, codecs);
    QFETCH(QString, preparation);
    QFETCH(QString, name);

    OfflineVideo offline(m_media, renditions, 12, link, id);
    const Outcome outcome = offline.run(offline.job(profile));
    QCOMPARE(outcome.error, QString());

    const QString path = offline.folder.filePath(name);
    QCOMPARE(outcome.job->path, std::optional(path));
    QCOMPARE(outcome.job->actualHeight, std::optional<qint64>(240));
    QCOMPARE(outcome.job->bytes, std::optional(QFileInfo(path).size()));
    QCOMPARE(offline.delivered(), QStringList { name });
    QVERIFY(!QFileInfo::exists(offline.workDirectory(profile)));
    const MediaProbe result = offline.engine.probe(path, nullptr);
    QCOMPARE(result.codecs, codecs);
    QVERIFY2(qAbs(result.duration - 12) < 0.2, qPrintable(QString::number(result.duration)));
    if (profile.metadata)
        QCOMPARE(TestSupport::mediaTags(path).value(u"title"_s), u"Dos tonos"_s);

    const QList<DownloadUpdate>& updates = outcome.updates;
    QCOMPARE(updates.first().state, JobState::downloading);
    QCOMPARE(
        updates.contains(DownloadUpdate { JobState::converting, 0.94, preparation, false }), !preparation.isEmpty());
    if (renditions.size() > 1)
        QVERIFY(updates.contains(DownloadUpdate { JobState::converting, 0.94, u"Uniendo audio y video…"_s, false }));
    QCOMPARE(updates.constLast(), (DownloadUpdate { JobState::converting, 0.99, checking, false }));
    verifyProgress(updates, 0.9);
}

void ExportTest::requiredSpace_data()
{
    QTest::addColumn<DownloadProfile>("profile");
    QTest::addColumn<double>("duration");
    QTest::addColumn<qint64>("bytes");

    QTest::newRow("an hour of MP3 at 320")
        << Fixtures::audioProfile(AudioFormat::mp3, 320) << 3600.0 << qint64(172'800'000);
    QTest::newRow("an hour of MP3 at 128 is below the floor")
        << Fixtures::audioProfile(AudioFormat::mp3, 128) << 3600.0 << qint64(100'000'000);
    QTest::newRow("lossless counts 192,000 bytes a second")
        << Fixtures::audioProfile(AudioFormat::wav, 96) << 3600.0 << qint64(691'200'000);
    QTest::newRow("a low bit rate counts as 64")
        << Fixtures::audioProfile(AudioFormat::original, 8) << 43200.0 << qint64(414'720'000);
    QTest::newRow("a stored bit rate too big to multiply") << Fixtures::audioProfile(AudioFormat::original,
        std::numeric_limits<qint64>::max()) << 43200.0 << std::numeric_limits<qint64>::max();
    QTest::newRow("video needs a fixed amount")
        << Fixtures::videoProfile(VideoContainer::mkv) << 43200.0 << qint64(250'000'000);
}

void ExportTest::requiredSpace()
{
    QFETCH(DownloadProfile, profile);
    QFETCH(double, duration);
    QFETCH(qint64, bytes);

    QCOMPARE(Downloader::requiredSpace(profile, duration), bytes);
}

void ExportTest::failures_data()
{
    QTest::addColumn<DownloadProfile>("profile");
    QTest::addColumn<QStringList>("renditions");
    QTest::addColumn<double>("duration");
    // What the downloader does instead of the real download: "" (the real
    // one), "another id" (the real one, for a record it was not asked about),
    // or a bash stand-in ($out is the --output template's folder).
    QTest::addColumn<QByteArray>("downloader");
    QTest::addColumn<std::optional<qint64>>("space");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("downloads");

    using Space = std::optional<qint64>;
    const QStringList muxed { u"h264.mp4"_s, u"tone.m4a"_s };
    const QString notValid = u"La salida de la descarga no es un archivo válido."_s;
    const QByteArray outside = "cp \"$MEDIA\" \"$ELSEWHERE\"; echo \"BRISOMAR_FILE:\\\"$ELSEWHERE\\\"\"";

    QTest::newRow("a bit rate not on offer")
        << Fixtures::audioProfile(AudioFormat::mp3, 160) << muxed << 12.0 << QByteArray() << Space()
        << u"Elegí una calidad de audio disponible."_s << false;
    QTest::newRow("a record whose address and id disagree")
        << Fixtures::audioProfile(AudioFormat::mp3) << muxed << 12.0 << "bad record"_ba << Space()
        << u"El video de la descarga no es válido."_s << false;
    QTest::newRow("audio with free space just at the floor")
        << Fixtures::audioProfile(AudioFormat::mp3) << muxed << 12.0 << QByteArray() << Space(100'000'000)
        << u"No hay suficiente espacio libre en la carpeta elegida. Elegí otro destino o liberá espacio."_s << false;
    QTest::newRow("video with too little free space")
        << Fixtures::videoProfile(VideoContainer::mkv) << muxed << 12.0 << QByteArray() << Space(249'999'999)
        << u"No hay suficiente espacio libre en la carpeta elegida. Elegí otro destino o liberá espacio."_s << false;
    QTest::newRow("a height below every rendition")
        << Fixtures::videoProfile(VideoContainer::mkv, 144) << muxed << 12.0 << QByteArray() << Space()
        << u"Esta resolución no está disponible en el formato elegido. Probá otra calidad o MKV."_s << false;
    QTest::newRow("audio the downloader skips")
        << Fixtures::audioProfile(AudioFormat::mp3) << muxed << 12.0 << "another id"_ba << Space()
        << u"La descarga no produjo un archivo completo."_s << true;
    QTest::newRow("video the downloader skips")
        << Fixtures::videoProfile(VideoContainer::mkv) << muxed << 12.0 << "another id"_ba << Space()
        << u"La descarga no produjo un archivo completo."_s << true;
    QTest::newRow("an original reported outside its folder")
        << Fixtures::audioProfile(AudioFormat::mp3) << muxed << 12.0 << outside << Space() << notValid << true;
    QTest::newRow("a link in the work directory that leads out")
        << Fixtures::videoProfile(VideoContainer::mkv) << muxed << 12.0
        << "cp \"$MEDIA\" \"$ELSEWHERE\"; ln -s \"$ELSEWHERE\" \"$out/source.mkv\"; "
           "echo \"BRISOMAR_FILE:\\\"$out/source.mkv\\\"\""_ba
        << Space() << notValid << true;
    QTest::newRow("a video with another extension")
        << Fixtures::videoProfile(VideoContainer::mkv) << muxed << 12.0
        << "cp \"$MEDIA\" \"$out/source.webm\"; echo \"BRISOMAR_FILE:\\\"$out/source.webm\\\"\""_ba << Space()
        << notValid << true;
    QTest::newRow("an original of another length")
        << Fixtures::audioProfile(AudioFormat::mp3) << muxed << 30.0 << QByteArray() << Space()
        << u"La copia original no coincide con el audio del video."_s << true;
    QTest::newRow("a video of another length")
        << Fixtures::videoProfile(VideoContainer::mkv) << muxed << 30.0 << QByteArray() << Space()
        << u"El archivo final no contiene el audio o video esperado."_s << true;
    QTest::newRow("a picture larger than it claimed")
        << Fixtures::videoProfile(VideoContainer::mp4, 240) << QStringList { u"h264-480.mp4@240"_s, u"tone.m4a"_s }
        << 12.0 << QByteArray() << Space() << u"La resolución final supera la calidad elegida. Probá otra opción."_s
        << true;
}

void ExportTest::failures()
{
    QFETCH(DownloadProfile, profile);
    QFETCH(QStringList, renditions);
    QFETCH(double, duration);
    QFETCH(QByteArray, downloader);
    QFETCH(std::optional<qint64>, space);
    QFETCH(QString, message);

    QFETCH(bool, downloads);

    OfflineVideo offline(m_media, renditions, duration);
    offline.engine.space = space;
    DownloadJob job = offline.job(profile);
    if (downloader == "bad record") {
        job.video.id = u"zzzzzzzzzzz"_s;
    } else if (downloader == "another id") {
        QJsonObject other = offline.info;
        other[u"id"_s] = u"zzzzzzzzzzz"_s;
        offline.serve(other);
    } else if (!downloader.isEmpty()) {
        offline.stand.script(u"yt-dlp"_s,
            "echo $$ >> '"_ba + offline.stand.file(u"yt-dlp.runs"_s).toUtf8() + "'\n" + "MEDIA='"_ba
                + m_media.path(profile.kind == DownloadKind::audio ? u"tone.m4a"_s : u"h264-aac.mkv"_s).toUtf8()
                + "'\nELSEWHERE='"_ba + offline.folder.filePath(u"elsewhere"_s).toUtf8() + '.'
                + (profile.kind == DownloadKind::audio ? "m4a'\n"_ba : "mkv'\n"_ba)
                + "while [ $# -gt 0 ]; do [ \"$1\" = --output ] && out=$(dirname \"$2\"); shift; done\n"
                + "mkdir -p \"$out\"\n"_ba + downloader);
    }

    const Outcome outcome = offline.run(job);
    QCOMPARE(outcome.error, message);
    // Only the stand-ins' planted file may lie in the folder; nothing was delivered.
    QStringList left = offline.delivered();
    left.removeAll(u"elsewhere.m4a"_s);
    left.removeAll(u"elsewhere.mkv"_s);
    QCOMPARE(left, QStringList());
    QCOMPARE(offline.stand.runs(u"yt-dlp"_s).isEmpty(), !downloads);
}

void ExportTest::collisionsTakeTheNextCounter()
{
    OfflineVideo offline(m_media, { u"h264.mp4"_s, u"tone.m4a"_s });
    const DownloadProfile profile = Fixtures::audioProfile(AudioFormat::opus, 96);
    const QString first = offline.folder.filePath(u"Dos tonos [abcdefghijk] opus-96.opus"_s);
    QCOMPARE(offline.run(offline.job(profile)).job->path, first);
    QCOMPARE(offline.run(offline.job(profile)).job->path,
        offline.folder.filePath(u"Dos tonos [abcdefghijk] opus-96 (2).opus"_s));
    QCOMPARE(offline.run(offline.job(profile)).job->path,
        offline.folder.filePath(u"Dos tonos [abcdefghijk] opus-96 (3).opus"_s));

    // Names held by things that do not look like files are still never replaced.
    const QString dangling = offline.folder.filePath(u"Dos tonos [abcdefghijk] opus-96 (4).opus"_s);
    QVERIFY(QFile::link(offline.folder.filePath(u"gone"_s), dangling));
    QVERIFY(QDir().mkdir(offline.folder.filePath(u"Dos tonos [abcdefghijk] opus-96 (5).opus"_s)));
    QCOMPARE(offline.run(offline.job(profile)).job->path,
        offline.folder.filePath(u"Dos tonos [abcdefghijk] opus-96 (6).opus"_s));
    QCOMPARE(QFileInfo(dangling).symLinkTarget(), offline.folder.filePath(u"gone"_s));
    QCOMPARE(offline.delivered().size(), 6);
}

void ExportTest::moveNeverReplaces_data()
{
    QTest::addColumn<bool>("byLink");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("moves");

    for (const bool byLink : { false, true }) {
        const char* method = byLink ? "linked" : "renamed";
        QTest::addRow("%s to a free name", method) << byLink << u"free"_s << true;
        QTest::addRow("%s onto a file", method) << byLink << u"file"_s << false;
        QTest::addRow("%s onto a dangling link", method) << byLink << u"dangling link"_s << false;
        QTest::addRow("%s onto a folder", method) << byLink << u"folder"_s << false;
    }
}

void ExportTest::moveNeverReplaces()
{
    QFETCH(bool, byLink);
    QFETCH(QString, target);
    QFETCH(bool, moves);

    QTemporaryDir dir;
    const QString from = dir.filePath(u"candidate"_s);
    const QString to = dir.filePath(u"taken"_s);
    QVERIFY(TestSupport::writeFile(from, "new"));
    if (target == u"file"_s)
        QVERIFY(TestSupport::writeFile(to, "the user's"));
    else if (target == u"dangling link"_s)
        QVERIFY(QFile::link(dir.filePath(u"nowhere"_s), to));
    else if (target == u"folder"_s)
        QVERIFY(QDir().mkdir(to));

    const bool moved = byLink ? FileSystem::linkWithoutReplacing(from, to) : FileSystem::moveWithoutReplacing(from, to);
    QCOMPARE(moved, moves);
    QCOMPARE(QFileInfo::exists(from), !moves);
    if (moves)
        QCOMPARE(TestSupport::readFile(to), "new");
    if (target == u"file"_s)
        QCOMPARE(TestSupport::readFile(to), "the user's");
    if (target == u"dangling link"_s)
        QCOMPARE(QFileInfo(to).symLinkTarget(), dir.filePath(u"nowhere"_s));
    QCOMPARE(TestSupport::failure([&] {
        FileSystem::moveWithoutReplacing(dir.filePath(u"missing"_s), dir.filePath(u"x"_s));
    }).contains(u"No se pudo mover"_s),
        true);
}

void ExportTest::cancellation_data()
{
    QTest::addColumn<DownloadProfile>("profile");
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("stage");

    QTest::newRow("while fetching the original")
        << Fixtures::audioProfile(AudioFormat::mp3) << u"yt-dlp"_s << u"fetch"_s;
    QTest::newRow("while converting") << Fixtures::audioProfile(AudioFormat::m4a, 128) << u"ffmpeg"_s
                                      << u"conversion"_s;
    QTest::newRow("while preparing the MP4")
        << Fixtures::videoProfile(VideoContainer::mp4) << u"ffmpeg"_s << u"preparation"_s;
}

// The real tools, slowed to the media's pace, are stopped mid-run: nothing is
// left running and nothing new is in the folder, and a retry finishes the job
// in the same work directory.
void ExportTest::cancellation()
{
    QFETCH(DownloadProfile, profile);
    QFETCH(QString, tool);
    QFETCH(QString, stage);

    OfflineVideo offline(m_media, { u"h264.mp4"_s, u"tone.m4a"_s });
    if (stage == u"fetch"_s)
        offline.serve(offline.info, { u"--limit-rate"_s, u"20K"_s });
    else
        offline.stand.pacedFfmpeg();

    const DownloadJob job = offline.job(profile);
    auto token = std::make_shared<Cancellation>();
    UpdateLog log;
    std::future<QString> run = std::async(std::launch::async,
        [&] { return TestSupport::failure([&] { offline.engine.exportJob(job, token, log.callback()); }); });
    if (stage == u"fetch"_s)
        QTRY_VERIFY_WITH_TIMEOUT(
            log.any([](const DownloadUpdate& u) { return u.state == JobState::downloading; }), 20000);
    else if (stage == u"conversion"_s)
        QTRY_VERIFY_WITH_TIMEOUT(
            log.any([](const DownloadUpdate& u) { return u.progress > 0.72 && u.progress < 0.98; }), 20000);
    else
        QTRY_VERIFY_WITH_TIMEOUT(!offline.stand.runs(tool).isEmpty(), 20000);
    token->cancel();
    QCOMPARE(run.get(), cancelled);

    const QList<qint64> pids = offline.stand.runs(tool);
    QCOMPARE(pids.size(), 1);
    QTRY_VERIFY(TestSupport::processEnded(pids.first()));
    QCOMPARE(offline.delivered(), QStringList());

    offline.serve(offline.info);
    offline.stand.restore(u"ffmpeg"_s);
    const Outcome retry = offline.run(job);
    QCOMPARE(retry.error, QString());
    QCOMPARE(offline.delivered().size(), 1);
    if (stage == u"preparation"_s) {
        // The merged download was still in the work directory: nothing was fetched again.
        QVERIFY(std::none_of(retry.updates.begin(), retry.updates.end(),
            [](const DownloadUpdate& u) { return u.state == JobState::downloading && u.progress < 0.9; }));
    }
}

QTEST_GUILESS_MAIN(ExportTest)
#include "tst_export.moc"
