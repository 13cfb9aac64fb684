#include "AppModel.h"
#include "AtomicFile.h"
#include "BrisPaths.h"
#include "Downloader.h"
#include "TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

// The two states the writer alternates between, large enough that a kill
// often lands in the middle of a write.
struct State
{
    QByteArray history;
    QByteArray preferences;
};

State state(bool second)
{
    QList<DownloadJob> jobs;
    for (int i = 0; i < (second ? 100 : 150); ++i) {
        DownloadJob job;
        job.id = QUuid(quint32(i + 1), 1, 2, 3, 4, 5, 6, 7, 8, 9, second ? 1 : 0);
        job.video.id = u"abcdefghij"_s + QChar(u'A' + i % 26);
        job.video.title = (second ? u"Segunda versión "_s : u"Primera versión "_s) + QString(200, QChar(u'ñ'));
        job.video.duration = 60 + i;
        job.folder = u"/home/alguien/Descargas/Brisomar"_s;
        job.state = second ? JobState::completed : JobState::failed;
        job.created = QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC).addSecs(i);
        jobs.append(job);
    }
    Preferences preferences;
    preferences.folder = second ? u"/media/otra/carpeta"_s : u"/home/alguien/Descargas/Brisomar"_s;
    preferences.metadata = !second;
    return { DownloadJob::encodeHistory(jobs), preferences.encode() };
}

// Saves state A and state B in turn through the model's writer until it is killed.
[[noreturn]] void writeUntilKilled(const QString& data)
{
    const BrisPaths paths(data);
    const State states[] = { state(false), state(true) };
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (unsigned turn = 1;; ++turn) {
        AtomicFile::write(paths.history(), states[turn % 2].history);
        AtomicFile::write(paths.preferences(), states[turn % 2].preferences);
    }
}

// "A" or "B" for each of the two files, "?" for anything else.
QString stateOf(const BrisPaths& paths)
{
    static const State a = state(false), b = state(true);
    const auto which = [](const QString& file, const QByteArray& first, const QByteArray& second) {
        const QByteArray data = TestSupport::readFile(file);
        return data == first ? u"A"_s : data == second ? u"B"_s : u"?"_s;
    };
    return which(paths.history(), a.history, b.history) + which(paths.preferences(), a.preferences, b.preferences);
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
    QTemporaryDir data;
    const BrisPaths paths(data.path());
    AtomicFile::write(paths.history(), state(false).history);
    AtomicFile::write(paths.preferences(), state(false).preferences);
    QStringList read;
    for (int kill = 0; kill < 250; ++kill) {
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(), { u"--write-until-killed"_s, data.path() });
        QVERIFY2(writer.waitForReadyRead(10000), qPrintable(writer.errorString()));
        std::this_thread::sleep_for(std::chrono::microseconds(QRandomGenerator::global()->bounded(10'000)));
        writer.kill();
        writer.waitForFinished(10000);
        read.append(stateOf(paths));
    }
    // Every kill left each file whole, old or new; some fell between the two saves,
    // proof that they land inside the loop.
    QCOMPARE(read.filter(QRegularExpression(u"^[AB][AB]$"_s)).size(), read.size());
    QVERIFY(read.contains(u"AB"_s) || read.contains(u"BA"_s));

    // The next start clears what the kills left, and only that: files a person
    // named after the history stay.
    const QStringList own = { u"library.json.2024Q1"_s, u"library.json.backup"_s, u"preferences.json.old123"_s };
    for (const QString& name : own)
        QVERIFY(TestSupport::writeFile(data.filePath(name), "mine"));
    const AppModel model(std::make_shared<Downloader>(Toolchain(), paths));
    QStringList files = QDir(data.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    files.removeOne(QFileInfo(paths.history()).fileName());
    files.removeOne(QFileInfo(paths.preferences()).fileName());
    QCOMPARE(files, own);
}

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--write-until-killed") == 0)
        writeUntilKilled(QString::fromLocal8Bit(argv[2]));
    QCoreApplication application(argc, argv);
    KilledWriterTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_killedwriter.moc"
