#include "AppModel.h"
#include "AtomicFile.h"
#include "BrisPaths.h"
#include "Downloader.h"
#include "SavedStates.h"
#include "StressSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QtConcurrent>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Lane
{
    QString data;
    quint32 seed;
    int kills;
};

// What one lane saw; an empty `fault` when every kill left a sound pair of files.
struct LaneResult
{
    QString fault;
    // Kills that fell between the two saves, proof that they land inside the loop.
    int betweenSaves = 0;
};

// The readers' view of each state: what loading the written file gives.
QList<DownloadJob> history(bool second)
{
    return DownloadJob::decodeHistory(DownloadJob::encodeHistory(SavedStates::history(second))).value();
}

Preferences preferences(bool second)
{
    return Preferences::decode(SavedStates::preferences(second).encode()).value();
}

template <typename T> QString stateOf(const std::optional<T>& read, const T& a, const T& b)
{
    if (!read)
        return u"unreadable"_s;
    return *read == a ? u"A"_s : *read == b ? u"B"_s : u"neither A nor B"_s;
}

QStringList leftovers(const QString& data)
{
    const BrisPaths paths(data);
    QStringList files = QDir(data).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    files.removeOne(QFileInfo(paths.history()).fileName());
    files.removeOne(QFileInfo(paths.preferences()).fileName());
    return files;
}

LaneResult runLane(const Lane& lane)
{
    const QList<DownloadJob> historyA = history(false);
    const QList<DownloadJob> historyB = history(true);
    const Preferences preferencesA = preferences(false);
    const Preferences preferencesB = preferences(true);
    const BrisPaths paths(lane.data);
    AtomicFile::write(paths.history(), DownloadJob::encodeHistory(SavedStates::history(false)));
    AtomicFile::write(paths.preferences(), SavedStates::preferences(false).encode());

    LaneResult result;
    QRandomGenerator random(lane.seed);
    for (int kill = 0; kill < lane.kills; ++kill) {
        QProcess writer;
        writer.start(QStringLiteral(BRISOMAR_SAVED_WRITER), { lane.data });
        if (!writer.waitForReadyRead(10000)) {
            result.fault = u"the writer did not start: "_s + writer.errorString();
            return result;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(10'000)));
        writer.kill();
        writer.waitForFinished(10000);

        const QString state
            = stateOf(DownloadJob::decodeHistory(TestSupport::readFile(paths.history())), historyA, historyB)
            + stateOf(Preferences::decode(TestSupport::readFile(paths.preferences())), preferencesA, preferencesB);
        if (state.size() != 2) {
            result.fault = u"after kill %1 the history and preferences read: %2"_s.arg(kill).arg(state);
            return result;
        }
        result.betweenSaves += state == u"AB"_s || state == u"BA"_s;
    }
    return result;
}

} // namespace

class KilledWriterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedSavesLeaveOldOrNew();
};

void KilledWriterTest::killedSavesLeaveOldOrNew()
{
    constexpr int kills = 1000;
    constexpr int lanes = 4;
    const quint32 seed = StressSupport::seed();
    QList<std::shared_ptr<QTemporaryDir>> directories;
    QList<Lane> plan;
    for (int i = 0; i < lanes; ++i) {
        directories.append(std::make_shared<QTemporaryDir>());
        plan.append({ directories.last()->path(), seed + quint32(i), kills / lanes });
    }

    QThreadPool pool;
    pool.setMaxThreadCount(lanes);
    const QList<LaneResult> results = QtConcurrent::blockingMapped(&pool, plan, runLane);
    int between = 0;
    qsizetype left = 0;
    for (qsizetype i = 0; i < results.size(); ++i) {
        QVERIFY2(results[i].fault.isEmpty(), qPrintable(results[i].fault));
        between += results[i].betweenSaves;
        left += leftovers(plan[i].data).size();
    }
    qInfo("%d of %d kills fell between the two saves; %lld temporary files were left", between, kills, qlonglong(left));
    QVERIFY(between > 0);

    // The next start reads one of the two states and clears what the kills left.
    for (const Lane& lane : std::as_const(plan)) {
        const AppModel model(std::make_shared<Downloader>(Toolchain(), BrisPaths(lane.data)));
        QVERIFY(model.jobs() == history(false) || model.jobs() == history(true));
        QVERIFY(model.preferences() == preferences(false) || model.preferences() == preferences(true));
        QCOMPARE(leftovers(lane.data), QStringList());
    }
}

QTEST_GUILESS_MAIN(KilledWriterTest)
#include "tst_killedwriter.moc"
