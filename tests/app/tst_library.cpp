#include "AppHarness.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

using namespace Qt::Literals::StringLiterals;

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

// The copies kept aside of the unreadable `name`, with their contents.
QList<QByteArray> aside(const QString& data, const QString& name)
{
    QList<QByteArray> contents;
    for (const QString& file : QDir(data).entryList({ name + u".unreadable-*"_s }, QDir::Files))
        contents.append(TestSupport::readFile(data + u'/' + file));
    return contents;
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
    void failuresShowABanner();
    void persistRetention_data();
    void persistRetention();
    void playAndReveal();
    void derivedLists();
};

void LibraryTest::historyAtLaunch_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("loaded");
    QTest::addColumn<bool>("keptAside");

    const QString folder = u"/tmp/brisomar-tests"_s;
    QTest::newRow("600 records keep the last 500")
        << DownloadJob::encodeHistory(jobsIn(folder, 600, JobState::failed)) << 500 << false;
    QByteArray oversize = DownloadJob::encodeHistory(jobsIn(folder, 1, JobState::completed));
    oversize.append(QByteArray(8'000'001 - oversize.size(), ' '));
    QTest::newRow("8,000,001 bytes load nothing") << oversize << 0 << true;
    QTest::newRow("8,000,000 bytes still load") << oversize.chopped(1) << 1 << false;
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
    if (loaded == 500)
        QCOMPARE(model.jobs().first().video.id, u"vid00000100"_s);

    // Kept once: later saves replace only the file the model wrote.
    model.persist();
    model.persist();
    QCOMPARE(aside(harness.data(), u"library.json"_s), keptAside ? QList { file } : QList<QByteArray>());
    QCOMPARE(DownloadJob::decodeHistory(TestSupport::readFile(history))->size(), loaded);
}

void LibraryTest::preferencesAtLaunch()
{
    AppHarness harness;
    Preferences saved;
    saved.metadata = false;
    saved.lastLink = u"https://youtu.be/abcdefghijk"_s;
    saved.lastProfile = DownloadProfile { .kind = DownloadKind::video, .height = 1234 };
    QVERIFY(TestSupport::writeFile(harness.data() + u"/preferences.json"_s, saved.encode()));

    AppModel& model = harness.open();
    QCOMPARE(model.link(), saved.lastLink);
    QCOMPARE(model.profile(), DownloadProfile { .metadata = false });

    // The draft keeps the first 4096 characters of a longer link, and reads back.
    model.setLink(QString(5000, u'x'));
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
    QCOMPARE(aside(harness.data(), u"preferences.json"_s), QList { "{\"folder\": "_ba });
    QCOMPARE(Preferences::decode(TestSupport::readFile(path))->appearance, u"light"_s);
}

void LibraryTest::failuresShowABanner()
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
    QVERIFY(harness.model->banner()->startsWith(u"El historial no se pudo guardar: No se pudo escribir"_s));
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
    QVERIFY(harness.writeHistory(jobs));
    // Reading keeps at most 500: the list the model saves is the one it read.
    harness.open().persist();
    const auto written = DownloadJob::decodeHistory(TestSupport::readFile(harness.data() + u"/library.json"_s));
    QCOMPARE(written->size(), saved);
    QCOMPARE(written->first().id, jobs[firstSavedCompleted].id);
}

void LibraryTest::playAndReveal()
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

void LibraryTest::derivedLists()
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

QTEST_GUILESS_MAIN(LibraryTest)
#include "tst_library.moc"
