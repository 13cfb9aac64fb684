#include "AppHarness.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

using namespace Qt::Literals::StringLiterals;
using Kind = ControlledEngine::Kind;

namespace {

const VideoInfo first = testVideo(u"aaaaaaaaaaa"_s, { 720 }, u"Primero"_s);
const VideoInfo second = testVideo(u"bbbbbbbbbbb"_s, { 720 }, u"Segundo"_s);
const VideoInfo third = testVideo(u"ccccccccccc"_s, { 720 }, u"Tercero"_s);

DownloadJob jobOf(const AppModel& model, const VideoInfo& video)
{
    for (const DownloadJob& job : model.jobs())
        if (job.video == video)
            return job;
    return {};
}

// The history on disk once the saves asked for so far are written.
QList<DownloadJob> history(const AppHarness& harness)
{
    harness.model->finishSaving();
    return DownloadJob::decodeHistory(TestSupport::readFile(harness.data() + u"/library.json"_s))
        .value_or(QList<DownloadJob>());
}

// What a successful export returns: the job completed with a real file in its folder.
DownloadJob deliverJob(const DownloadJob& job)
{
    DownloadJob done = job;
    done.path = job.folder + u'/' + job.video.id + u".mp3"_s;
    done.bytes = 4;
    done.state = JobState::completed;
    TestSupport::writeFile(*done.path, "1234");
    return done;
}

QList<DownloadJob> jobsIn(const QString& folder, int count, JobState state, int firstCreated = 0)
{
    QList<DownloadJob> jobs;
    for (int i = 0; i < count; ++i)
        jobs.append(endedJob(folder, u"vid%1"_s.arg(i, 8, 10, QLatin1Char('0')), u"t"_s, state, {}, firstCreated + i));
    return jobs;
}

// The copies kept aside of the unreadable `name`, with their contents.
QList<QByteArray> aside(const QString& data, const QString& name)
{
    QList<QByteArray> contents;
    for (const QString& file : QDir(data).entryList({ name + u".unreadable-*"_s }, QDir::Files))
        contents.append(TestSupport::readFile(data + u'/' + file));
    return contents;
}

} // namespace

class QueueTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void jobsRunInTurn();
    void enqueueDuplicates_data();
    void enqueueDuplicates();
    void enqueueNeedsAFreshAnalysis();
    void retryAndRemove();
    void progressAndCancelOfTheRunningJob();
    void shutdownAndReopen();
    void historyAtLaunch_data();
    void historyAtLaunch();
    void preferencesAtLaunch();
    void unpreparedDataFolder_data();
    void unpreparedDataFolder();
    void filesBesideTheHistory_data();
    void filesBesideTheHistory();
    void failuresShowABanner();
    void playAndReveal();
    void derivedLists();
};

void QueueTest::jobsRunInTurn()
{
    AppHarness harness;
    QVERIFY(harness.openAnalysing({ first, second, third }));
    AppModel& model = *harness.model;
    for (const VideoInfo& video : { first, second, third })
        QVERIFY(harness.enqueue(video));
    QTRY_COMPARE(harness.engine->count(Kind::exportJob), 1);
    auto running = harness.engine->call(Kind::exportJob, 0);
    QCOMPARE(running->job.video, first);
    QCOMPARE(model.active()->detail, u"Conectando con YouTube…"_s);
    QCOMPARE(history(harness)[0].state, JobState::downloading);

    // A queued job cancelled is passed over; the running one goes on.
    model.cancel(jobOf(model, second));
    QCOMPARE(jobOf(model, second).detail, u"Podés reintentar para continuar."_s);
    QVERIFY(!running->token->cancelled());
    QCOMPARE(history(harness), model.jobs());

    // A failure does not stop the queue.
    running->finish(BrisError::message(u"La plataforma cortó la descarga."_s));
    QTRY_COMPARE(harness.engine->count(Kind::exportJob), 2);
    QCOMPARE(jobOf(model, first).detail, u"La plataforma cortó la descarga."_s);
    auto last = harness.engine->call(Kind::exportJob, 1);
    QCOMPARE(last->job.video, third);
    last->finish(deliverJob(last->job));
    QTRY_COMPARE(model.pendingCount(), 0);
    QCOMPARE(model.banner(), u"Tercero ya está guardado en tu Mac."_s);
    QCOMPARE(jobOf(model, second).state, JobState::cancelled);
    QCOMPARE(history(harness), model.jobs());
}

void QueueTest::enqueueDuplicates_data()
{
    QTest::addColumn<bool>("delivered");
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<QString>("banner");
    QTest::addColumn<Section>("section");

    const QString inQueue = u"Esa versión ya está en la cola."_s;
    const QString saved = u"Ya tenés esta versión guardada. La encontrás en Descargados."_s;
    QTest::newRow("running") << false << QString() << 1 << inQueue << Section::queue;
    QTest::newRow("running, into another folder") << false << u"folder"_s << 2 << QString() << Section::queue;
    QTest::newRow("waiting behind another") << false << u"behind"_s << 2 << inQueue << Section::queue;
    QTest::newRow("saved and present") << true << QString() << 1 << saved << Section::library;
    QTest::newRow("saved, then deleted") << true << u"delete"_s << 2 << QString() << Section::queue;
}

void QueueTest::enqueueDuplicates()
{
    QFETCH(bool, delivered);
    QFETCH(QString, change);
    QFETCH(int, jobs);
    QFETCH(QString, banner);
    QFETCH(Section, section);

    AppHarness harness;
    if (delivered)
        harness.engine->exportNow = deliverJob;
    QVERIFY(harness.openAnalysing({ first, second }));
    AppModel& model = *harness.model;
    if (change == u"behind"_s)
        QVERIFY(harness.enqueue(second));
    QVERIFY(harness.enqueue(first));
    if (delivered)
        QTRY_COMPARE(model.completed().size(), 1);
    if (change == u"folder"_s) {
        Preferences moved = model.preferences();
        moved.folder = harness.dir.filePath(u"Otra"_s);
        model.setPreferences(moved);
    } else if (change == u"delete"_s) {
        QVERIFY(QFile::remove(*model.jobs().first().path));
    }
    model.clearBanner();
    model.setSection(Section::newDownload);

    model.enqueue();
    QCOMPARE(model.jobs().size(), jobs);
    QCOMPARE(model.section(), section);
    QCOMPARE(model.banner().value_or(QString()), banner);
    QCOMPARE(model.librarySearch(), section == Section::library ? first.title : QString());
}

void QueueTest::enqueueNeedsAFreshAnalysis()
{
    AppHarness harness;
    QVERIFY(harness.openAnalysing({ first, second }));
    AppModel& model = *harness.model;
    model.setLink(linkOf(first));
    model.analyze();
    QTRY_VERIFY(model.info());
    // The field names another video: that one is analysed, not the shown one queued.
    model.setLink(linkOf(second));
    model.enqueue();
    QVERIFY(model.jobs().isEmpty());
    QTRY_COMPARE(model.info(), second);
    model.enqueue();
    QCOMPARE(jobOf(model, second).state, JobState::downloading);
}

void QueueTest::retryAndRemove()
{
    AppHarness harness;
    const QString folder = harness.downloads();
    const DownloadJob failed = DownloadJob::make(first, {}, folder, JobState::failed, false);
    const DownloadJob interrupted = DownloadJob::make(first, {}, folder, JobState::interrupted, false);
    DownloadJob gone = DownloadJob::make(second, {}, folder, JobState::completed, true);
    gone.path = folder + u"/gone.mp3"_s;
    gone.bytes = 1000;
    gone.actualHeight = 720;
    QVERIFY(harness.writeHistory({ failed, interrupted, gone }));
    harness.engine->versionsNow = nullptr;
    AppModel& model = harness.open();
    model.start();
    QTRY_COMPARE(harness.engine->count(Kind::versions), 1);

    // Until the engine check passes, retry does nothing; a saved job cannot be cancelled.
    model.retry(failed);
    model.cancel(gone);
    QCOMPARE(model.jobs(), (QList { failed, interrupted, gone }));
    harness.engine->call(Kind::versions, 0)->finish(u"yt-dlp"_s);
    QTRY_VERIFY(model.engineReady());

    model.retry(gone);
    QTRY_COMPARE(harness.engine->count(Kind::exportJob), 1);
    QCOMPARE(model.jobs()[2].state, JobState::downloading);
    QVERIFY(!model.jobs()[2].path && !model.jobs()[2].bytes && model.jobs()[2].progress == 0);

    model.retry(failed);
    QCOMPARE(model.jobs()[0].state, JobState::queued);
    model.retry(interrupted);
    QCOMPARE(model.banner(), u"Esa descarga ya está en la cola."_s);
    QCOMPARE(model.jobs()[1].state, JobState::interrupted);

    // Pending jobs stay, whether the screen's copy knows it or not.
    model.remove(model.jobs()[0]);
    model.remove(failed);
    model.remove(interrupted);
    QCOMPARE(model.jobs().size(), 2);
    QCOMPARE(history(harness), model.jobs());
    QVERIFY(!model.jobs().contains(interrupted));
}

void QueueTest::progressAndCancelOfTheRunningJob()
{
    AppHarness harness;
    harness.engine->cancelEnds = false;
    QVERIFY(harness.openAnalysing({ first, second }));
    AppModel& model = *harness.model;
    QVERIFY(harness.enqueue(first));
    QVERIFY(harness.enqueue(second));
    QTRY_COMPARE(harness.engine->count(Kind::exportJob), 1);
    auto call = harness.engine->call(Kind::exportJob, 0);

    // Progress never goes back.
    call->report({ JobState::downloading, 0.5, u"Descargando 50 %"_s, false });
    call->report({ JobState::converting, 0.2, u"Convirtiendo"_s, true });
    QTRY_COMPARE(model.active()->detail, u"Convirtiendo"_s);
    QCOMPARE(model.active()->progress, 0.5);
    QVERIFY(model.active()->reusedOriginal);

    // Reports after a cancel are dropped; the next job starts once the engine has stopped.
    model.cancel(jobOf(model, first));
    QVERIFY(call->token->cancelled());
    call->report({ JobState::converting, 0.9, u"Tarde"_s, false });
    QCOMPARE(harness.engine->count(Kind::exportJob), 1);
    call->finish(BrisError::cancelled());
    QTRY_COMPARE(harness.engine->count(Kind::exportJob), 2);
    QCOMPARE(jobOf(model, first).progress, 0.5);
    QCOMPARE(jobOf(model, first).state, JobState::cancelled);
}

void QueueTest::shutdownAndReopen()
{
    AppHarness harness;
    QVERIFY(harness.openAnalysing({ first, second }));
    AppModel& model = *harness.model;
    QVERIFY(harness.enqueue(first));
    QVERIFY(harness.enqueue(second));
    QTRY_COMPARE(harness.engine->count(Kind::exportJob), 1);
    model.setLink(u"https://youtu.be/ccccccccccc"_s);

    model.shutdown();
    QVERIFY(harness.engine->call(Kind::exportJob, 0)->token->cancelled());
    QCOMPARE(history(harness)[1].detail, u"La app se cerró. Reintentá para continuar."_s);
    // The stopped run still records its job as cancelled and saves again.
    QTRY_COMPARE(history(harness)[0].state, JobState::cancelled);

    AppModel& reopened = harness.reopen();
    reopened.start();
    QTRY_VERIFY(reopened.engineReady());
    QCOMPARE(reopened.link(), u"https://youtu.be/ccccccccccc"_s);
    QCOMPARE(reopened.jobs()[1].state, JobState::interrupted);
    QCOMPARE(reopened.pendingCount(), 0);
    QCOMPARE(harness.engine->count(Kind::exportJob), 0);
}

// What the model loads and what it then saves: "loaded saved first-saved-video kept-aside".
void QueueTest::historyAtLaunch_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected");

    const QString folder = u"/tmp/brisomar-tests"_s;
    QTest::newRow("600 records keep the last 500")
        << DownloadJob::encodeHistory(jobsIn(folder, 600, JobState::failed)) << u"500 500 vid00000100 0"_s;
    QTest::newRow("450 completed and 10 failed keep the 400 newest completed") << DownloadJob::encodeHistory(
        jobsIn(folder, 450, JobState::completed) + jobsIn(folder, 10, JobState::failed, 450))
                                                                               << u"460 410 vid00000050 0"_s;
    QTest::newRow("100 completed and 480 failed keep the last 500 records") << DownloadJob::encodeHistory(
        jobsIn(folder, 100, JobState::completed) + jobsIn(folder, 480, JobState::failed, 100))
                                                                            << u"500 500 vid00000080 0"_s;
    QByteArray oversize = DownloadJob::encodeHistory(jobsIn(folder, 1, JobState::completed));
    oversize.append(QByteArray(8'000'001 - oversize.size(), ' '));
    QTest::newRow("8,000,001 bytes load nothing") << oversize << u"0 0 - 1"_s;
    QTest::newRow("not JSON") << "[{\"id\":"_ba << u"0 0 - 1"_s;
    QList<DownloadJob> foreign = jobsIn(folder, 2, JobState::failed);
    foreign[0].video.id = u"not an id"_s;
    QTest::newRow("a record of no valid source is dropped")
        << DownloadJob::encodeHistory(foreign) << u"1 1 vid00000001 0"_s;
}

void QueueTest::historyAtLaunch()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);

    AppHarness harness;
    QVERIFY(TestSupport::writeFile(harness.data() + u"/library.json"_s, file));
    AppModel& model = harness.open();
    const std::optional<QString> banner = model.banner();
    // Kept once: later saves replace only the file the model wrote.
    model.persist();
    model.persist();
    const QList<DownloadJob> saved = history(harness);
    const QList<QByteArray> keptAside = aside(harness.data(), u"library.json"_s);
    const QStringList keptNames = QDir(harness.data()).entryList({ u"library.json.unreadable-*"_s });
    QCOMPARE(banner,
        keptNames.isEmpty() ? std::nullopt
                            : std::optional(u"No se pudo leer el historial. Guardamos una copia en «%1»."_s.arg(
                                QDir(harness.data()).filePath(keptNames.first()))));
    QCOMPARE(u"%1 %2 %3 %4"_s.arg(model.jobs().size())
                 .arg(saved.size())
                 .arg(saved.isEmpty() ? u"-"_s : saved.first().video.id)
                 .arg(keptAside.size()),
        expected);
    QVERIFY(keptAside.isEmpty() || keptAside.first() == file);
}

// A draft link is kept to its first 4096 characters, an unknown appearance is kept; an unreadable file is kept aside
// before the first save replaces it.
void QueueTest::preferencesAtLaunch()
{
    AppHarness harness;
    const QString path = harness.data() + u"/preferences.json"_s;
    Preferences saved;
    saved.metadata = false;
    saved.lastLink = QString(5000, u'x');
    saved.lastProfile = DownloadProfile { .kind = DownloadKind::video, .height = 1234 };
    saved.otherAppearance = u"sepia"_s;
    QVERIFY(TestSupport::writeFile(path, saved.encode()));
    AppModel& model = harness.open();
    QCOMPARE(model.link(), QString(4096, u'x'));
    QCOMPARE(model.profile(), DownloadProfile { .metadata = false });
    // An appearance this version does not know follows the system and survives a save.
    QCOMPARE(model.colorScheme(), std::nullopt);
    model.setMetadata(true);
    QCOMPARE(Preferences::decode(TestSupport::readFile(path))->otherAppearance, u"sepia"_s);

    QVERIFY(TestSupport::writeFile(path, "{\"folder\": "_ba));
    harness.open().setAppearance(Appearance::light);
    QCOMPARE(aside(harness.data(), u"preferences.json"_s), QList { "{\"folder\": "_ba });
    const QStringList kept = QDir(harness.data()).entryList({ u"preferences.json.unreadable-*"_s });
    QCOMPARE(harness.model->banner(),
        u"No se pudo leer la configuración. Guardamos una copia en «%1»."_s.arg(
            QDir(harness.data()).filePath(kept.value(0))));
    QCOMPARE(Preferences::decode(TestSupport::readFile(path))->appearance, Appearance::light);
}

// The cache folder cannot be made: the files the run never read are never
// written, whatever the user does until the next start.
void QueueTest::unpreparedDataFolder_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("Originals is a plain file") << u"file"_s;
    QTest::newRow("Originals is a broken link") << u"link"_s;
}

void QueueTest::unpreparedDataFolder()
{
    QFETCH(QString, obstacle);

    AppHarness harness;
    QVERIFY(harness.writeHistory(jobsIn(harness.downloads(), 3, JobState::completed)));
    Preferences preferences;
    preferences.metadata = false;
    QVERIFY(TestSupport::writeFile(harness.data() + u"/preferences.json"_s, preferences.encode()));
    const QString originals = harness.data() + u"/Originals"_s;
    QVERIFY(obstacle == u"file"_s ? TestSupport::writeFile(originals, "not a folder")
                                  : QFile::link(harness.data() + u"/gone"_s, originals));
    const QByteArray historyBefore = TestSupport::readFile(harness.data() + u"/library.json"_s);

    QVERIFY(harness.openAnalysing({ first }));
    AppModel& model = *harness.model;
    const std::optional<QString> banner = model.banner();
    QVERIFY(banner && banner->startsWith(u"No se pudo abrir el historial local. "_s));
    model.setBannerDuration(std::chrono::milliseconds(1));
    model.setAppearance(Appearance::light);
    QVERIFY(harness.enqueue(first));
    QTRY_COMPARE(harness.engine->count(Kind::exportJob), 1);
    harness.engine->call(Kind::exportJob, 0)->finish(deliverJob(harness.engine->call(Kind::exportJob, 0)->job));
    QTRY_COMPARE(model.pendingCount(), 0);
    model.shutdown();

    QCOMPARE(TestSupport::readFile(harness.data() + u"/library.json"_s), historyBefore);
    QCOMPARE(TestSupport::readFile(harness.data() + u"/preferences.json"_s), preferences.encode());
    // The banner of the saved video passes; the one that says nothing is kept comes back.
    QTRY_COMPARE(model.banner(), banner);
    QVERIFY(model.bannerError());
}

// A start clears only what its own saves left behind, never a file someone put there.
void QueueTest::filesBesideTheHistory_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("kept");
    QTest::newRow("a user's backup of the history") << u"library.json.backup"_s << true;
    QTest::newRow("a user's old preferences") << u"preferences.json.old123"_s << true;
    QTest::newRow("a user's copy of a quarter") << u"library.json.2024Q1"_s << true;
    QTest::newRow("a partial save of the history") << u".library.json.brisomar-partial-a1B2c3"_s << false;
    QTest::newRow("a partial save of the preferences") << u".preferences.json.brisomar-partial-ZZZZZZ"_s << false;
    QTest::newRow("a partial save of another file") << u".notes.json.brisomar-partial-a1B2c3"_s << true;
}

void QueueTest::filesBesideTheHistory()
{
    QFETCH(QString, name);
    QFETCH(bool, kept);

    AppHarness harness;
    const QString path = harness.data() + u'/' + name;
    QVERIFY(TestSupport::writeFile(path, "keep me"));
    harness.open().setAppearance(Appearance::light);
    QCOMPARE(QFileInfo::exists(path), kept);
}

void QueueTest::failuresShowABanner()
{
    AppHarness harness;
    QVERIFY(TestSupport::writeFile(harness.data(), "a file where the folder should be"));
    harness.open();
    QVERIFY(harness.model->banner()->startsWith(u"No se pudo abrir el historial local. No se pudo crear la carpeta"_s));
    QVERIFY(harness.model->bannerError());

    QVERIFY(QFile::remove(harness.data()));
    AppModel& model = harness.open();
    QVERIFY(QDir().mkpath(harness.data() + u"/library.json"_s));
    model.persist();
    QTRY_VERIFY(harness.model->banner().value_or(QString()).startsWith(
        u"El historial no se pudo guardar: No se pudo escribir"_s));
}

void QueueTest::playAndReveal()
{
    AppHarness harness;
    AppModel& model = harness.open();
    DownloadJob job = finishedJob(harness.downloads(), u"abcdefghijk"_s, u"t"_s, u"a"_s, DownloadKind::audio, 0);
    model.play(job);
    model.reveal(job);
    QCOMPARE(model.previewJob(), job);
    QCOMPARE(harness.services.revealed, QStringList { *job.path });
    // A file that changed size since it was saved is not the saved one.
    job.bytes = *job.bytes + 1;
    model.reveal(job);
    QCOMPARE(harness.services.revealed.size(), 1);
    QCOMPARE(model.banner(), u"El archivo se movió o ya no existe. Podés volver a descargarlo."_s);
}

void QueueTest::derivedLists()
{
    AppHarness harness;
    QList<DownloadJob> jobs;
    for (const auto& [state, second] : { std::pair { JobState::failed, 1 }, { JobState::completed, 3 },
             { JobState::downloading, 2 }, { JobState::cancelled, 2 }, { JobState::completed, 1 } })
        jobs += jobsIn(harness.downloads(), 1, state, second);
    QVERIFY(harness.writeHistory(jobs));
    AppModel& model = harness.open();
    // A job that was running when the program ended reads back as interrupted.
    jobs[2].state = JobState::interrupted;
    jobs[2].detail = u"La app se cerró. Reintentá para continuar."_s;
    // Newest first; equal dates keep the list's order.
    QCOMPARE(model.queue(), (QList { jobs[2], jobs[3], jobs[0] }));
    QCOMPARE(model.completed(), (QList { jobs[1], jobs[4] }));
    QCOMPARE(model.pendingCount(), 0);
}

QTEST_GUILESS_MAIN(QueueTest)
#include "tst_queue.moc"
