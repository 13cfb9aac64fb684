#include "BrisError.h"
#include "DownloadProgress.h"
#include "FileSystem.h"
#include "Fixtures.h"
#include "OfflineVideo.h"
#include "TestSupport.h"
#include "TextFormatting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTest>

#include <future>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString cancelled = u"Descarga cancelada. Podés reintentar cuando quieras."_s;
const QString noSpace
    = u"No hay suficiente espacio libre en la carpeta elegida. Elegí otro destino o liberá espacio."_s;

} // namespace

class ExportTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exports_data();
    void exports();
    void repeatsReuseTheOriginalAndTakeTheNextCounter();
    void requiredSpace_data();
    void requiredSpace();
    void failures_data();
    void failures();
    void prepareMP4();
    void linkFallbackNeverReplaces();
    void nameRulesOfFileSystems_data();
    void nameRulesOfFileSystems();
    void namesOnAnExfatDisk();
    void cancellation_data();
    void cancellation();

private:
    TestMedia m_media;
};

// Real yt-dlp and ffmpeg on generated media, one row per conversion path.
void ExportTest::exports_data()
{
    QTest::addColumn<QStringList>("renditions");
    QTest::addColumn<DownloadProfile>("profile");
    QTest::addColumn<QStringList>("codecs");
    // A stage the job must pass through; empty when only the plain merge runs.
    QTest::addColumn<QString>("stage");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("link");

    const QStringList muxed { u"h264.mp4"_s, u"tone.m4a"_s };
    const auto audio = [](AudioFormat format, qint64 bitrate, bool tags, const QString& codec, const QString& name) {
        const DownloadProfile profile = Fixtures::audioProfile(format, bitrate, tags);
        QTest::addRow("%s%s", qPrintable(name), tags ? " with tags" : "")
            << QStringList { u"h264.mp4"_s, u"tone.webm"_s, u"tone.m4a"_s } << profile << QStringList { codec }
            << u"Preparando "_s + profile.label() << u"Dos tonos [abcdefghijk] "_s + name << QString();
    };
    audio(AudioFormat::mp3, 320, true, u"mp3"_s, u"mp3-320.mp3"_s);
    audio(AudioFormat::m4a, 128, false, u"aac"_s, u"m4a-128.m4a"_s);
    audio(AudioFormat::opus, 160, true, u"opus"_s, u"opus-160.opus"_s);
    audio(AudioFormat::flac, 999, false, u"flac"_s, u"flac.flac"_s); // the bit rate is ignored
    audio(AudioFormat::wav, 192, true, u"pcm_s16le"_s, u"wav.wav"_s);
    audio(AudioFormat::original, 192, false, u"aac"_s, u"original.m4a"_s); // its own extension

    const auto video
        = [](const char* row, const QStringList& renditions, DownloadProfile profile, const QStringList& codecs,
              const QString& stage, const QString& name, const QString& link = {}) {
              QTest::newRow(row) << renditions << profile << codecs << stage << u"Dos tonos ["_s + name << link;
          };
    const QStringList h264aac { u"h264"_s, u"aac"_s };
    video("MKV keeps the source codecs", { u"h264.mp4"_s, u"tone.webm"_s }, Fixtures::videoProfile(VideoContainer::mkv),
        { u"h264"_s, u"opus"_s }, u"Uniendo audio y video…"_s, u"abcdefghijk] 240p.mkv"_s);
    // 240p asked of a 240p source: the cap admits its own height.
    video("MP4 copies H.264 and AAC at the cap", muxed, Fixtures::videoProfile(VideoContainer::mp4, 240), h264aac,
        u"Preparando MP4 para Mac…"_s, u"abcdefghijk] 240p.mp4"_s);
    video("MP4 re-encodes VP9 and Opus", { u"vp9.webm"_s, u"tone.webm"_s },
        Fixtures::videoProfile(VideoContainer::mp4, 0), h264aac, u"Convirtiendo video a MP4 compatible con Mac…"_s,
        u"abcdefghijk] 240p.mp4"_s);
    video("MP4 of a silent video", { u"h264.mp4"_s }, Fixtures::videoProfile(VideoContainer::mp4, 360, false),
        { u"h264"_s }, u"Preparando MP4 para Mac…"_s, u"abcdefghijk] 240p.mp4"_s);
    video("an Instagram reel keeps 40 characters of its id", muxed, Fixtures::videoProfile(VideoContainer::mkv, 480),
        h264aac, {}, u"instagram-A123456789B123456789C123456789D123456789] 240p.mkv"_s,
        u"https://www.instagram.com/reel/Cabc123/"_s);
}

void ExportTest::exports()
{
    QFETCH(QStringList, renditions);
    QFETCH(DownloadProfile, profile);
    QFETCH(QStringList, codecs);
    QFETCH(QString, stage);
    QFETCH(QString, name);
    QFETCH(QString, link);

    const bool audio = profile.kind == DownloadKind::audio;
    OfflineVideo offline(m_media, renditions, 12,
        link.isEmpty() ? u"https://www.youtube.com/watch?v=abcdefghijk"_s : link,
        link.isEmpty() ? u"abcdefghijk"_s : u"A123456789B123456789C123456789D123456789E1234"_s);
    const Outcome outcome = offline.run(offline.job(profile));
    QCOMPARE(outcome.error, QString());

    const DownloadJob& job = *outcome.job;
    const QString path = offline.folder.filePath(name);
    QCOMPARE(job.path, std::optional(path));
    QCOMPARE(job.detail, bytesString(*job.bytes) + u" · Guardado en tu Mac"_s);
    QCOMPARE(job.bytes, std::optional(QFileInfo(path).size()));
    QCOMPARE(job.actualHeight, audio ? std::optional<qint64>() : std::optional<qint64>(240));
    QCOMPARE(offline.delivered(), QStringList { name });
    QVERIFY(!QFileInfo::exists(offline.workDirectory(profile)));
    const MediaProbe result = offline.engine.probe(path, nullptr);
    QCOMPARE(result.codecs, codecs);
    QVERIFY2(qAbs(result.duration - 12) < 0.2, qPrintable(QString::number(result.duration)));
    QVERIFY2(qAbs(job.video.duration - 12) < 0.2, qPrintable(QString::number(job.video.duration)));
    const QMap<QString, QString> tags = TestSupport::mediaTags(path);
    QCOMPARE(tags.value(u"title"_s), profile.metadata ? u"Dos tonos"_s : QString());

    const QList<DownloadUpdate>& updates = outcome.updates;
    QCOMPARE(updates.constLast(), (DownloadUpdate { JobState::converting, 0.99, u"Comprobando el archivo final…"_s }));
    QVERIFY(stage.isEmpty() || std::any_of(updates.begin(), updates.end(), [&](auto& u) { return u.detail == stage; }));
}

void ExportTest::repeatsReuseTheOriginalAndTakeTheNextCounter()
{
    OfflineVideo offline(m_media, { u"h264.mp4"_s, u"tone.m4a"_s });
    QCOMPARE(offline.run(offline.job(Fixtures::audioProfile(AudioFormat::mp3))).error, QString());
    const Outcome second = offline.run(offline.job(Fixtures::audioProfile(AudioFormat::flac)));
    QCOMPARE(second.error, QString());
    QCOMPARE(offline.stand.runs(u"yt-dlp"_s).size(), 1);
    QCOMPARE(second.job->reusedOriginal, true);
    QCOMPARE(second.updates.first(),
        (DownloadUpdate { JobState::converting, 0.72, u"Usando el audio original ya guardado"_s, true }));

    // Names held by anything, even things that do not look like files, are never replaced.
    const QString name = offline.folder.filePath(u"Dos tonos [abcdefghijk] mp3-192%1.mp3"_s);
    const QString dangling = name.arg(u" (3)"_s);
    QVERIFY(QFile::link(offline.folder.filePath(u"gone"_s), dangling));
    QVERIFY(QDir().mkdir(name.arg(u" (4)"_s)));
    const DownloadProfile mp3 = Fixtures::audioProfile(AudioFormat::mp3);
    QCOMPARE(offline.run(offline.job(mp3)).job->path, name.arg(u" (2)"_s));
    QCOMPARE(offline.run(offline.job(mp3)).job->path, name.arg(u" (5)"_s));
    QCOMPARE(QFileInfo(dangling).symLinkTarget(), offline.folder.filePath(u"gone"_s));
    QCOMPARE(offline.delivered().size(), 6);
}

void ExportTest::requiredSpace_data()
{
    QTest::addColumn<DownloadProfile>("profile");
    QTest::addColumn<double>("duration");
    QTest::addColumn<qint64>("bytes");

    const auto row = [](const char* name, const DownloadProfile& profile, double duration, qint64 bytes) {
        QTest::newRow(name) << profile << duration << bytes;
    };
    row("an hour of MP3 at 320", Fixtures::audioProfile(AudioFormat::mp3, 320), 3600, 172'800'000);
    row("lossless counts 192,000 bytes a second", Fixtures::audioProfile(AudioFormat::wav, 96), 3600, 691'200'000);
    row("a low bit rate counts as 64", Fixtures::audioProfile(AudioFormat::original, 8), 43200, 414'720'000);
    row("a stored bit rate too big to multiply",
        Fixtures::audioProfile(AudioFormat::original, std::numeric_limits<qint64>::max()), 43200,
        std::numeric_limits<qint64>::max());
    row("video needs a fixed amount", Fixtures::videoProfile(VideoContainer::mkv), 43200, 250'000'000);
}

void ExportTest::requiredSpace()
{
    QFETCH(DownloadProfile, profile);
    QFETCH(double, duration);
    QFETCH(qint64, bytes);
    QCOMPARE(Export::requiredSpace(profile, duration), bytes);
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
    // A bash line run after the real ffmpeg ($out is its output); empty for none.
    QTest::addColumn<QByteArray>("afterConversion");

    using Space = std::optional<qint64>;
    const DownloadProfile mp3 = Fixtures::audioProfile(AudioFormat::mp3);
    const DownloadProfile mkv = Fixtures::videoProfile(VideoContainer::mkv);
    const auto row = [](const char* name, const DownloadProfile& profile, const QByteArray& downloader,
                         const QString& message, bool downloads, Space space = {}, double duration = 12,
                         const QStringList& renditions = { u"h264.mp4"_s, u"tone.m4a"_s },
                         const QByteArray& afterConversion = {}) {
        QTest::newRow(name) << profile << renditions << duration << downloader << space << message << downloads
                            << afterConversion;
    };
    const QString noFile = u"La descarga no produjo un archivo completo."_s;
    const QString notValid = u"La salida de la descarga no es un archivo válido."_s;

    row("a bit rate not on offer", Fixtures::audioProfile(AudioFormat::mp3, 160), {},
        u"Elegí una calidad de audio disponible."_s, false);
    row("a record whose address and id disagree", mp3, "bad record", u"El video de la descarga no es válido."_s, false);
    row("audio with free space just at the floor", mp3, {}, noSpace, false, 100'000'000);
    row("a height below every rendition", Fixtures::videoProfile(VideoContainer::mkv, 144), {},
        u"Esta resolución no está disponible en el formato elegido. Probá otra calidad o MKV."_s, false);
    row("audio the downloader skips", mp3, "another id", noFile, true);
    row("video the downloader skips", mkv, "another id", noFile, true);
    row("an original reported outside its folder", mp3,
        "cp \"$MEDIA\" \"$ELSEWHERE\"; echo \"BRISOMAR_FILE:\\\"$ELSEWHERE\\\"\"", notValid, true);
    row("a link in the work directory that leads out", mkv,
        "cp \"$MEDIA\" \"$ELSEWHERE\"; ln -s \"$ELSEWHERE\" \"$out/source.mkv\"; "
        "echo \"BRISOMAR_FILE:\\\"$out/source.mkv\\\"\"",
        notValid, true);
    row("an original of another length", mp3, {}, u"La copia original no coincide con el audio del video."_s, true, {},
        30);
    row("a video of another length", mkv, {}, u"El archivo final no contiene el audio o video esperado."_s, true, {},
        30);
    row("a picture larger than it claimed", Fixtures::videoProfile(VideoContainer::mp4, 240), {},
        u"La resolución final supera la calidad elegida. Probá otra opción."_s, true, {}, 12,
        { u"h264-480.mp4@240"_s, u"tone.m4a"_s });
    // Not the file ffmpeg reported: measured, not taken on its word.
    row("a conversion cut short after ffmpeg's report", Fixtures::audioProfile(AudioFormat::wav), {},
        u"El archivo final no contiene el audio o video esperado."_s, true, {}, 12, { u"h264.mp4"_s, u"tone.m4a"_s },
        "truncate -s 20000 \"$out\"");
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
    QFETCH(QByteArray, afterConversion);

    OfflineVideo offline(m_media, renditions, duration);
    if (!afterConversion.isEmpty())
        offline.stand.script(u"ffmpeg"_s,
            "'"_ba + TestSupport::toolsDir().toUtf8() + "/ffmpeg' \"$@\" || exit\nout=\"${@: -1}\"\n"
                + afterConversion);
    offline.engine.space = space;
    DownloadJob job = offline.job(profile);
    const QByteArray extension = profile.kind == DownloadKind::audio ? "m4a" : "mkv";
    if (downloader == "bad record") {
        job.video.id = u"zzzzzzzzzzz"_s;
    } else if (downloader == "another id") {
        QJsonObject other = offline.info;
        other[u"id"_s] = u"zzzzzzzzzzz"_s;
        offline.serve(other);
    } else if (!downloader.isEmpty()) {
        offline.stand.script(u"yt-dlp"_s,
            "echo $$ >> '"_ba + offline.stand.file(u"yt-dlp.runs"_s).toUtf8() + "'\nMEDIA='"
                + m_media.path(extension == "m4a" ? u"tone.m4a"_s : u"h264-aac.mkv"_s).toUtf8() + "'\nELSEWHERE='"
                + offline.folder.filePath(u"elsewhere."_s).toUtf8() + extension + "'\n"
                + "while [ $# -gt 0 ]; do [ \"$1\" = --output ] && out=$(dirname \"$2\"); shift; done\n"
                + "mkdir -p \"$out\"\n"_ba + downloader);
    }

    QCOMPARE(offline.run(job).error, message);
    // Only the stand-ins' planted file may lie in the folder; nothing was delivered.
    QStringList left = offline.delivered();
    left.removeAll(u"elsewhere."_s + QString::fromLatin1(extension));
    QCOMPARE(left, QStringList());
    QCOMPARE(offline.stand.runs(u"yt-dlp"_s).isEmpty(), !downloads);
}

// ffmpeg never overwrites: the leftover of an earlier attempt goes first, once the input is known to fit.
void ExportTest::prepareMP4()
{
    const Downloader engine(Toolchain(TestSupport::toolsDir()));
    QTemporaryDir work;
    const QString output = work.filePath(u"export.mp4"_s);
    QVERIFY(TestSupport::writeFile(output, "stale"));
    const auto prepare = [&](const QString& input) {
        return TestSupport::failure([&] { engine.prepareMP4(m_media.path(input), output, nullptr, {}); });
    };
    QCOMPARE(prepare(u"long.mkv"_s), u"El video supera las 12 horas o no contiene imagen válida."_s);
    QCOMPARE(TestSupport::readFile(output), "stale");
    // An odd size is evened for H.264.
    QCOMPARE(prepare(u"odd.mkv"_s), u"(no error)"_s);
    const MediaProbe result = engine.probe(output, nullptr);
    QCOMPARE(result.codecs, (QStringList { u"h264"_s, u"aac"_s }));
    QCOMPARE(result.resolution, 240);
}

// The export's own collisions run the rename; this runs its fallback, the link.
void ExportTest::linkFallbackNeverReplaces()
{
    for (const QString& target : { u"free"_s, u"file"_s, u"dangling link"_s, u"folder"_s }) {
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

        const bool moves = target == u"free"_s;
        QVERIFY2(FileSystem::linkWithoutReplacing(from, to) == moves && QFileInfo::exists(from) != moves,
            qPrintable(target));
        QCOMPARE(TestSupport::readFile(to), moves ? "new" : target == u"file"_s ? "the user's" : "");
    }
}

void ExportTest::nameRulesOfFileSystems_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("windowsDisk");
    for (const char* type : { "vfat", "msdos", "exfat", "ntfs3", "NTFS", "fuseblk", "fuse.exfat", "fuseblk.ntfs-3g" })
        QTest::newRow(type) << QString::fromLatin1(type) << true;
    for (const char* type : { "ext4", "btrfs", "tmpfs", "fuse", "fuse.sshfs", "fuseblk.ext4" })
        QTest::newRow(type) << QString::fromLatin1(type) << false;
}

void ExportTest::nameRulesOfFileSystems()
{
    QFETCH(QString, type);
    QFETCH(bool, windowsDisk);
    QCOMPARE(FileSystem::nameRulesOfType(type) == NameRules::windowsDisk, windowsDisk);
}

// A USB stick: a title that disk refuses is delivered under a name it takes, and
// a name it refuses is reported as such, not as a missing file.
void ExportTest::namesOnAnExfatDisk()
{
    const TestSupport::ExfatDisk disk;
    if (disk.folder().isEmpty())
        QSKIP(qPrintable(u"No se pudo montar un disco exFAT: "_s + disk.problem()));

    OfflineVideo offline(m_media, { u"h264.mp4"_s, u"tone.m4a"_s });
    DownloadJob job = offline.job(Fixtures::audioProfile(AudioFormat::mp3, 128, false));
    job.folder = disk.folder();
    job.video.title = u"¿Qué? <a|b>"_s;
    const Outcome outcome = offline.run(job);
    QCOMPARE(outcome.error, QString());
    QCOMPARE(outcome.job->path, disk.folder() + u"/¿Qué   a b [abcdefghijk] mp3-128.mp3"_s);
    QVERIFY(QFileInfo(*outcome.job->path).size() > 0);

    const QString candidate = disk.folder() + u"/candidate"_s;
    QVERIFY(TestSupport::writeFile(candidate, "new"));
    QCOMPARE(TestSupport::failure([&] { FileSystem::moveWithoutReplacing(candidate, disk.folder() + u"/a?b"_s); }),
        u"El disco de la carpeta %1 no acepta el nombre «a?b». Elegí otra carpeta."_s.arg(disk.folder()));
    QCOMPARE(TestSupport::readFile(candidate), "new");
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
    // The merged download was still in the work directory: nothing was fetched again.
    if (stage == u"preparation"_s)
        QVERIFY(std::none_of(retry.updates.begin(), retry.updates.end(),
            [](const DownloadUpdate& u) { return u.state == JobState::downloading && u.progress < 0.9; }));
}

QTEST_GUILESS_MAIN(ExportTest)
#include "tst_export.moc"
