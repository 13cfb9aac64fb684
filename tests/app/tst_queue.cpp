#include "AppHarness.h"
#include "TestSupport.h"

#include <QFile>
#include <QSignalSpy>

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

QList<DownloadJob> history(const AppHarness& harness)
{
    return DownloadJob::decodeHistory(TestSupport::readFile(harness.data() + u"/library.json"_s))
        .value_or(QList<DownloadJob>());
}

} // namespace

class QueueTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void jobsRunFirstInFirstOut();
    void enqueueDuplicates_data();
    void enqueueDuplicates();
    void enqueueNeedsAFreshAnalysis();
    void cancelRunningAndQueued();
    void retryAndRemove();
    void progressNeverGoesBack();
    void shutdownAndReopen();
};

void QueueTest::jobsRunFirstInFirstOut()
{
    AppHarness harness;
    QVERIFY(harness.openAnalysing({ first, second, third }));
    AppModel& model = *harness.model;
    for (const VideoInfo& video : { first, second, third })
        QVERIFY(harness.enqueue(video));
    QCOMPARE(model.section(), u"queue"_s);
    QCOMPARE(model.pendingCount(), 3);

    // The second fails; the queue goes on regardless.
    const QList<VideoInfo> order = { first, second, third };
    for (int i = 0; i < 3; ++i) {
        QTRY_COMPARE(harness.engine->count(Kind::exportJob), i + 1);
        auto call = harness.engine->call(Kind::exportJob, i);
        QCOMPARE(call->job.video, order[i]);
        QCOMPARE(call->job.state, JobState::queued);
        QCOMPARE(model.active()->id, call->job.id);
        QCOMPARE(model.active()->detail, u"Conectando con YouTube…"_s);
        QCOMPARE(model.pendingCount(), 3 - i);
        QCOMPARE(history(harness)[i].state, JobState::downloading);
        if (i == 1)
            call->finish(BrisError::message(u"La plataforma cortó la descarga."_s));
        else
            call->finish(deliver(call->job));
    }
    QTRY_COMPARE(model.pendingCount(), 0);
    QVERIFY(!model.active());
    QCOMPARE(model.banner(), u"Tercero ya está guardado en tu Mac."_s);
    QCOMPARE(jobOf(model, second).state, JobState::failed);
    QCOMPARE(jobOf(model, second).detail, u"La plataforma cortó la descarga."_s);
    QCOMPARE(model.completed().size(), 2);
    QCOMPARE(history(harness), model.jobs());
}

void QueueTest::enqueueDuplicates_data()
{
    QTest::addColumn<bool>("delivered");
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<QString>("banner");
    QTest::addColumn<QString>("section");

    const QString inQueue = u"Esa versión ya está en la cola."_s;
    const QString saved = u"Ya tenés esta versión guardada. La encontrás en Descargados."_s;
    QTest::newRow("pending") << false << QString() << 1 << inQueue << u"queue"_s;
    QTest::newRow("pending into another folder") << false << u"folder"_s << 2 << QString() << u"queue"_s;
    QTest::newRow("waiting behind another") << false << u"behind"_s << 2 << inQueue << u"queue"_s;
    QTest::newRow("saved and present") << true << QString() << 1 << saved << u"library"_s;
    QTest::newRow("saved, then deleted") << true << u"delete"_s << 2 << QString() << u"queue"_s;
}

void QueueTest::enqueueDuplicates()
{
    QFETCH(bool, delivered);
    QFETCH(QString, change);
    QFETCH(int, jobs);
    QFETCH(QString, banner);
    QFETCH(QString, section);

    AppHarness harness;
    if (delivered)
        harness.engine->exportNow = deliver;
    QVERIFY(harness.openAnalysing({ first, second, third }));
    AppModel& model = *harness.model;
    if (change == u"behind"_s)
        QVERIFY(harness.enqueue(second));
    QVERIFY(harness.enqueue(first));
    if (delivered)
        QTRY_COMPARE(model.completed().size(), 1);
    const DownloadJob earlier = model.jobs().first();
    if (change == u"folder"_s) {
        Preferences moved = model.preferences();
        moved.folder = harness.dir.filePath(u"Otra"_s);
        model.setPreferences(moved);
    } else if (change == u"delete"_s) {
        QVERIFY(QFile::remove(*earlier.path));
    }
    model.clearBanner();
    model.setSection(u"new"_s);

    model.enqueue();
    QCOMPARE(model.jobs().size(), jobs);
    QCOMPARE(model.section(), section);
    if (!banner.isEmpty()) {
        QCOMPARE(model.banner(), banner);
        QVERIFY(!model.bannerError());
    }
    QCOMPARE(model.librarySearch(), section == u"library"_s ? first.title : QString());
}

void QueueTest::enqueueNeedsAFreshAnalysis()
{
    AppHarness harness;
    QVERIFY(harness.openAnalysing({ first, second, third }));
    AppModel& model = *harness.model;
    model.setLink(linkOf(first));
    model.analyze();
    QTRY_VERIFY(model.info());

    // A profile that asks for a height nobody offers.
    DownloadProfile odd = model.profile();
    odd.kind = DownloadKind::video;
    odd.height = 1234;
    model.setProfile(odd);
    model.enqueue();
    QCOMPARE(model.banner(), u"Elegí una resolución disponible."_s);
    QVERIFY(model.jobs().isEmpty());

    // The field names another video: analyse that one first.
    model.setProfile({});
    model.setLink(linkOf(second));
    model.enqueue();
    QVERIFY(model.jobs().isEmpty());
    QTRY_COMPARE(model.info(), second);
    model.enqueue();
    QCOMPARE(model.jobs().size(), 1);
}

void QueueTest::cancelRunningAndQueued()
{
    AppHarness harness;
    QVERIFY(harness.openAnalysing({ first, second, third }));
    AppModel& model = *harness.model;
    for (const VideoInfo& video : { first, second, third })
        QVERIFY(harness.enqueue(video));
    QTRY_COMPARE(harness.engine->count(Kind::exportJob), 1);
    auto running = harness.engine->call(Kind::exportJob, 0);

    model.cancel(jobOf(model, second));
    QCOMPARE(jobOf(model, second).state, JobState::cancelled);
    QCOMPARE(jobOf(model, second).detail, u"Podés reintentar para continuar."_s);
    QVERIFY(!running->token->cancelled());
    QCOMPARE(model.active()->video, first);
    QCOMPARE(history(harness), model.jobs());

    model.cancel(jobOf(model, first));
    QCOMPARE(jobOf(model, first).state, JobState::cancelled);
    QVERIFY(running->token->cancelled());
    // The next queued job starts once the engine has stopped.
    QTRY_COMPARE(harness.engine->count(Kind::exportJob), 2);
    QCOMPARE(harness.engine->call(Kind::exportJob, 1)->job.video, third);
    QCOMPARE(jobOf(model, first).state, JobState::cancelled);
    QVERIFY(!model.banner());
}

void QueueTest::retryAndRemove()
{
    AppHarness harness;
    const QString folder = harness.downloads();
    DownloadJob failed = DownloadJob::make(first, {}, folder, JobState::failed, false);
    DownloadJob interrupted = DownloadJob::make(first, {}, folder, JobState::interrupted, false);
    DownloadJob gone = DownloadJob::make(second, {}, folder, JobState::completed, true);
    gone.path = folder + u"/gone.mp3"_s;
    gone.bytes = 1000;
    gone.actualHeight = 720;
    QVERIFY(TestSupport::writeFile(
        harness.data() + u"/library.json"_s, DownloadJob::encodeHistory({ failed, interrupted, gone })));
    harness.engine->versionsNow = nullptr;
    AppModel& model = harness.open();
    model.start();
    QTRY_COMPARE(harness.engine->count(Kind::versions), 1);

    // Until the engine check passes, retry does nothing.
    model.retry(failed);
    QCOMPARE(model.jobs()[0].state, JobState::failed);
    harness.engine->call(Kind::versions, 0)->finish(u"yt-dlp"_s);
    QTRY_VERIFY(model.engineReady());

    model.retry(gone);
    QTRY_COMPARE(harness.engine->count(Kind::exportJob), 1);
    const DownloadJob retried = model.jobs()[2];
    QCOMPARE(retried.state, JobState::downloading);
    QCOMPARE(retried.progress, 0.0);
    QVERIFY(!retried.path && !retried.bytes);
    QCOMPARE(retried.actualHeight, 720);
    QCOMPARE(retried.created, gone.created);

    model.retry(failed);
    QCOMPARE(model.jobs()[0].state, JobState::queued);
    QCOMPARE(model.jobs()[0].detail, u"En espera"_s);
    model.retry(interrupted);
    QCOMPARE(model.banner(), u"Esa descarga ya está en la cola."_s);
    QCOMPARE(model.jobs()[1].state, JobState::interrupted);

    // Pending jobs stay, whether the screen's copy knows it or not.
    model.remove(model.jobs()[0]);
    model.remove(failed);
    QCOMPARE(model.jobs().size(), 3);
    model.remove(interrupted);
    QCOMPARE(model.jobs().size(), 2);
    QCOMPARE(history(harness).size(), 2);
    QVERIFY(!history(harness).contains(interrupted));
}

void QueueTest::progressNeverGoesBack()
{
    AppHarness harness;
    harness.engine->cancelEnds = false;
    QVERIFY(harness.openAnalysing({ first, second, third }));
    AppModel& model = *harness.model;
    QVERIFY(harness.enqueue(first));
    QTRY_COMPARE(harness.engine->count(Kind::exportJob), 1);
    auto call = harness.engine->call(Kind::exportJob, 0);
    const QByteArray saved = TestSupport::readFile(harness.data() + u"/library.json"_s);
    QSignalSpy updated(&model, &AppModel::jobUpdated);

    call->report({ JobState::downloading, 0.5, u"Descargando 50 %"_s, false });
    call->report({ JobState::converting, 0.2, u"Convirtiendo"_s, true });
    QTRY_COMPARE(model.active()->detail, u"Convirtiendo"_s);
    QCOMPARE(model.active()->progress, 0.5);
    QCOMPARE(model.active()->state, JobState::converting);
    call->report({ JobState::converting, 0.8, u"Casi"_s, false });
    QTRY_COMPARE(model.active()->progress, 0.8);
    QVERIFY(model.active()->reusedOriginal);
    QCOMPARE(updated.size(), 3);
    QCOMPARE(updated.last().first().value<QUuid>(), call->job.id);
    // Progress stays in memory: the history is written when the job starts and ends.
    QCOMPARE(TestSupport::readFile(harness.data() + u"/library.json"_s), saved);

    // Reports after a cancel are dropped.
    model.cancel(model.jobs().first());
    call->report({ JobState::converting, 0.9, u"Tarde"_s, false });
    call->finish(BrisError::cancelled());
    QTRY_VERIFY(!model.active());
    QCOMPARE(model.jobs().first().progress, 0.8);
    QCOMPARE(model.jobs().first().detail, u"Podés reintentar para continuar."_s);
}

void QueueTest::shutdownAndReopen()
{
    AppHarness harness;
    QVERIFY(harness.openAnalysing({ first, second, third }));
    AppModel& model = *harness.model;
    QVERIFY(harness.enqueue(first));
    QVERIFY(harness.enqueue(second));
    QTRY_COMPARE(harness.engine->count(Kind::exportJob), 1);
    model.setLink(u"https://youtu.be/ccccccccccc"_s);

    model.shutdown();
    QVERIFY(harness.engine->call(Kind::exportJob, 0)->token->cancelled());
    QCOMPARE(history(harness)[0].state, JobState::interrupted);
    QCOMPARE(history(harness)[1].detail, u"La app se cerró. Reintentá para continuar."_s);
    // The stopped run still records its job as cancelled and saves again.
    QTRY_COMPARE(history(harness)[0].state, JobState::cancelled);

    AppModel& reopened = harness.reopen();
    reopened.start();
    QTRY_VERIFY(reopened.engineReady());
    QCOMPARE(harness.engine->count(Kind::exportJob), 0);
    QCOMPARE(reopened.link(), u"https://youtu.be/ccccccccccc"_s);
    QCOMPARE(reopened.jobs()[0].state, JobState::cancelled);
    QCOMPARE(reopened.jobs()[1].state, JobState::interrupted);
    QCOMPARE(reopened.pendingCount(), 0);
}

QTEST_GUILESS_MAIN(QueueTest)
#include "tst_queue.moc"
