#include "AppHarness.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using Kind = ControlledEngine::Kind;

namespace {

QList<DownloadJob> jobsIn(const QString& folder, int count, JobState state, int firstCreated = 0)
{
    QList<DownloadJob> jobs;
    for (int i = 0; i < count; ++i) {
        DownloadJob job
            = DownloadJob::make(testVideo(u"vid%1"_s.arg(i, 8, 10, QLatin1Char('0'))), {}, folder, state, false);
        job.created = QDateTime::fromSecsSinceEpoch(1'700'000'000 + firstCreated + i, Qt::UTC);
        jobs.append(job);
    }
    return jobs;
}

QStringList asideFiles(const QString& data, const QString& name)
{
    return QDir(data).entryList({ name + u".unreadable-*"_s }, QDir::Files);
}

} // namespace

class LibraryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void historyAtLaunch_data();
    void historyAtLaunch();
    void preferencesAtLaunch();
    void unreadablePreferencesAreKept();
    void dataDirectoryThatCannotBeMade();
    void persistRetention_data();
    void persistRetention();
    void persistFailureBanner();
    void bannerReplacementAndExpiry();
    void playAndReveal_data();
    void playAndReveal();
    void folderActions();
    void derivedLists();
};

void LibraryTest::historyAtLaunch_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("loaded");
    QTest::addColumn<bool>("keptAside");

    const QString folder = u"/tmp/brisomar-tests"_s;
    const QByteArray six = DownloadJob::encodeHistory(jobsIn(folder, 600, JobState::failed));
    QTest::newRow("600 records keep the last 500") << six << 500 << false;
    QByteArray oversize = DownloadJob::encodeHistory(jobsIn(folder, 1, JobState::completed));
    oversize.append(QByteArray(8'000'001 - oversize.size(), ' '));
    QTest::newRow("8,000,001 bytes load nothing") << oversize << 0 << true;
    QByteArray limit = oversize.chopped(1);
    QTest::newRow("8,000,000 bytes still load") << limit << 1 << false;
    QTest::newRow("not JSON") << "[{\"id\":"_ba << 0 << true;
    QByteArray spoiled = DownloadJob::encodeHistory(jobsIn(folder, 2, JobState::failed));
    spoiled.replace("\"failed\"", "\"lost\"");
    QTest::newRow("one bad record spoils the file") << spoiled << 0 << true;
    QList<DownloadJob> foreign = jobsIn(folder, 2, JobState::failed);
    foreign[0].video.id = u"not an id"_s;
    QTest::newRow("a record of no valid source is dropped") << DownloadJob::encodeHistory(foreign) << 1 << false;
}

void LibraryTest::historyAtLaunch()
{
    QFETCH(QByteArray, file);
    QFETCH(int, loaded);
    QFETCH(bool, keptAside);

    AppHarness harness;
    const QString history = harness.data() + u"/library.json"_s;
    QVERIFY(TestSupport::writeFile(history, file));
    AppModel& model = harness.open();
    QCOMPARE(model.jobs().size(), loaded);
    QVERIFY(!model.banner());
    if (loaded == 500)
        QCOMPARE(model.jobs().first().video.id, u"vid00000100"_s);

    model.persist();
    const QStringList aside = asideFiles(harness.data(), u"library.json"_s);
    QCOMPARE(aside.size(), keptAside ? 1 : 0);
    if (keptAside)
        QCOMPARE(TestSupport::readFile(harness.data() + u'/' + aside[0]), file);
    QCOMPARE(DownloadJob::decodeHistory(TestSupport::readFile(history))->size(), loaded);
    // Kept once: later saves replace only the file the model wrote.
    model.persist();
    QCOMPARE(asideFiles(harness.data(), u"library.json"_s).size(), keptAside ? 1 : 0);
}

void LibraryTest::preferencesAtLaunch()
{
    AppHarness harness;
    Preferences saved;
    saved.folder = u"/somewhere/else"_s;
    saved.metadata = false;
    saved.lastLink = u"https://youtu.be/abcdefghijk"_s;
    DownloadProfile stale;
    stale.kind = DownloadKind::video;
    stale.height = 1234;
    saved.lastProfile = stale;
    QVERIFY(TestSupport::writeFile(harness.data() + u"/preferences.json"_s, saved.encode()));

    AppModel& model = harness.open();
    QCOMPARE(model.preferences().folder, harness.downloads());
    QCOMPARE(model.link(), saved.lastLink);
    DownloadProfile expected;
    expected.metadata = false;
    QCOMPARE(model.profile(), expected);
    QVERIFY(model.engineChecking());
    QVERIFY(!model.engineReady());
    QCOMPARE(model.engineDetail(), u"Comprobando el motor local…"_s);

    // The draft keeps the first 4096 characters of a longer link, and reads back.
    model.setLink(QString(5000, u'x'));
    QCOMPARE(Preferences::decode(TestSupport::readFile(harness.data() + u"/preferences.json"_s))->lastLink,
        QString(4096, u'x'));
    QCOMPARE(harness.reopen().link(), QString(4096, u'x'));
}

void LibraryTest::unreadablePreferencesAreKept()
{
    AppHarness harness;
    const QString path = harness.data() + u"/preferences.json"_s;
    QVERIFY(TestSupport::writeFile(path, "{\"folder\": "_ba));
    AppModel& model = harness.open();
    QCOMPARE(model.preferences().appearance, u"dark"_s);
    model.setAppearance(u"light"_s);
    const QStringList aside = asideFiles(harness.data(), u"preferences.json"_s);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(TestSupport::readFile(harness.data() + u'/' + aside[0]), "{\"folder\": "_ba);
    QCOMPARE(Preferences::decode(TestSupport::readFile(path))->appearance, u"light"_s);
}

void LibraryTest::dataDirectoryThatCannotBeMade()
{
    AppHarness harness;
    QVERIFY(TestSupport::writeFile(harness.data(), "a file where the folder should be"));
    AppModel& model = harness.open();
    QVERIFY(model.banner());
    QVERIFY(model.banner()->startsWith(u"No se pudo abrir el historial local. No se pudo crear la carpeta"_s));
    QVERIFY(model.bannerError());
    QVERIFY(model.jobs().isEmpty());
}

void LibraryTest::persistRetention_data()
{
    QTest::addColumn<int>("completed");
    QTest::addColumn<int>("failed");
    QTest::addColumn<int>("saved");
    QTest::addColumn<int>("firstSavedCompleted");

    // Completed jobs are made first, so the oldest are the first in the list.
    QTest::newRow("450 completed and 10 failed keep the 400 newest completed") << 450 << 10 << 410 << 50;
    QTest::newRow("100 completed and 480 failed keep the last 500 records") << 100 << 480 << 500 << 80;
}

void LibraryTest::persistRetention()
{
    QFETCH(int, completed);
    QFETCH(int, failed);
    QFETCH(int, saved);
    QFETCH(int, firstSavedCompleted);

    AppHarness harness;
    QList<DownloadJob> jobs = jobsIn(harness.downloads(), completed, JobState::completed);
    jobs += jobsIn(harness.downloads(), failed, JobState::failed, completed);
    QVERIFY(TestSupport::writeFile(harness.data() + u"/library.json"_s, DownloadJob::encodeHistory(jobs)));
    // Reading keeps at most 500, so give the model the whole list as its own.
    AppModel& model = harness.open();
    if (jobs.size() <= 500)
        QCOMPARE(model.jobs(), jobs);

    model.persist();
    const auto written = DownloadJob::decodeHistory(TestSupport::readFile(harness.data() + u"/library.json"_s));
    QCOMPARE(written->size(), saved);
    QCOMPARE(model.jobs().size(), std::min(int(jobs.size()), 500));
    QCOMPARE(written->first().id, jobs[firstSavedCompleted].id);
}

void LibraryTest::persistFailureBanner()
{
    AppHarness harness;
    AppModel& model = harness.open();
    QVERIFY(QDir().mkpath(harness.data() + u"/library.json"_s));
    model.persist();
    QVERIFY(model.banner()->startsWith(u"El historial no se pudo guardar: No se pudo escribir"_s));
    QVERIFY(model.bannerError());
}

void LibraryTest::bannerReplacementAndExpiry()
{
    AppHarness harness;
    AppModel& model = harness.open();
    const std::chrono::milliseconds duration(400);
    model.setBannerDuration(duration);

    QElapsedTimer sinceSecond;
    model.show(u"primero"_s, true);
    QTimer::singleShot(duration / 2, &model, [&] {
        model.show(u"segundo"_s, false);
        sinceSecond.start();
    });
    QTRY_COMPARE(model.banner(), std::optional(u"segundo"_s));
    QVERIFY(!model.bannerError());
    // The first banner's timer fires before the second's and must leave it alone.
    QTRY_VERIFY_WITH_TIMEOUT(!model.banner(), 5000);
    QVERIFY(sinceSecond.elapsed() >= duration.count());
}

void LibraryTest::playAndReveal_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("played");

    QTest::newRow("M4A in capitals in the built-in player") << u"a.M4A"_s << true << u"preview"_s;
    QTest::newRow("Matroska in the external player") << u"a.mkv"_s << true << u"external"_s;
    QTest::newRow("a file that changed size") << u"a.mp4"_s << false << u"El archivo se movió o ya no existe."_s;
}

void LibraryTest::playAndReveal()
{
    QFETCH(QString, name);
    QFETCH(bool, present);
    QFETCH(QString, played);

    AppHarness harness;
    AppModel& model = harness.open();
    DownloadJob job
        = DownloadJob::make(testVideo(u"abcdefghijk"_s), {}, harness.downloads(), JobState::completed, false);
    job.path = harness.downloads() + u'/' + name;
    QVERIFY(TestSupport::writeFile(*job.path, "1234"));
    job.bytes = present ? 4 : 5;

    model.play(job);
    QCOMPARE(model.previewJob(), played == u"preview"_s ? std::optional(job) : std::nullopt);
    QCOMPARE(harness.services.externallyPlayed, played == u"external"_s ? QStringList { *job.path } : QStringList());
    model.reveal(job);
    QCOMPARE(harness.services.revealed, present ? QStringList { *job.path } : QStringList());
    if (!present) {
        QCOMPARE(model.banner(), u"El archivo se movió o ya no existe. Podés volver a descargarlo."_s);
        QVERIFY(model.bannerError());
    }
}

void LibraryTest::folderActions()
{
    AppHarness harness;
    AppModel& model = harness.open();
    const QString prefs = harness.data() + u"/preferences.json"_s;

    // Cancelled: nothing changes, nothing is written.
    model.chooseFolder();
    QCOMPARE(harness.services.folderRequests.size(), 1);
    QCOMPARE(harness.services.folderRequests[0].start, QString()); // the folder does not exist yet
    QCOMPARE(harness.services.folderRequests[0].buttonText, u"Guardar aquí"_s);
    QVERIFY(!QFile::exists(prefs));

    // Opening a deleted folder makes it again.
    model.openFolder();
    QVERIFY(QFileInfo(harness.downloads()).isDir());
    QCOMPARE(harness.services.opened, QList { QUrl::fromLocalFile(harness.downloads()) });

    const QString other = harness.dir.filePath(u"Otra"_s);
    harness.services.chosenFolder = other;
    model.chooseFolder();
    QCOMPARE(harness.services.folderRequests[1].start, harness.downloads());
    QCOMPARE(model.preferences().folder, other);
    QCOMPARE(Preferences::decode(TestSupport::readFile(prefs))->folder, other);
}

void LibraryTest::derivedLists()
{
    AppHarness harness;
    QList<DownloadJob> jobs;
    for (const auto& [state, second] : { std::pair { JobState::failed, 1 }, { JobState::completed, 3 },
             { JobState::downloading, 2 }, { JobState::cancelled, 2 }, { JobState::completed, 1 } })
        jobs += jobsIn(harness.downloads(), 1, state, second);
    QVERIFY(TestSupport::writeFile(harness.data() + u"/library.json"_s, DownloadJob::encodeHistory(jobs)));
    AppModel& model = harness.open();
    // A job that was running when the program ended reads back as interrupted.
    jobs[2].state = JobState::interrupted;
    jobs[2].detail = u"La app se cerró. Reintentá para continuar."_s;
    // Newest first; equal dates keep the list's order.
    QCOMPARE(model.queue(), (QList { jobs[2], jobs[3], jobs[0] }));
    QCOMPARE(model.completed(), (QList { jobs[1], jobs[4] }));
    QCOMPARE(model.pendingCount(), 0);
}

QTEST_GUILESS_MAIN(LibraryTest)
#include "tst_library.moc"
