#include "BrisError.h"
#include "ProcessGroup.h"
#include "StandInTools.h"
#include "TestSupport.h"
#include "Toolchain.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <future>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {

enum class Ending { Cancel, Timeout, CallerThrows, Finishes };

// What a run ended with: the error's kind and text, or -1 and the output.
struct Outcome
{
    int kind = -1;
    QString text;
    QByteArray output;
};

Outcome attempt(const std::function<QByteArray()>& run)
{
    try {
        return { -1, {}, run() };
    } catch (const BrisError& error) {
        return { int(error.kind()), error.payload(), {} };
    } catch (const std::runtime_error& error) {
        return { -2, QString::fromUtf8(error.what()), {} };
    }
}

qint64 pidIn(const QString& file)
{
    return TestSupport::readFile(file).trimmed().toLongLong();
}

} // namespace

class ToolRunTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outcomes_data();
    void outcomes();
    void argumentsAndEnvironment();
    void stoppedTokenLaunchesNothing();
    void groupEnds_data();
    void groupEnds();
    void startersDeathEndsGroup();
};

void ToolRunTest::outcomes_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");

    const int ok = -1;
    const int process = int(BrisError::Kind::Process);
    QTest::newRow("last line without a line feed")
        << "printf 'a\\nb'"_ba << QStringList { u"a"_s, u"b"_s } << ok << QString();
    QTest::newRow("invalid UTF-8 is replaced, blanks and CR kept")
        << "printf ' x\\xffy\\r\\n'"_ba << QStringList { u" x\uFFFDy\r"_s } << ok << QString();
    QTest::newRow("line split across writes")
        << "printf 'ab'; sleep 0.2; printf 'c\\nd\\n'"_ba << QStringList { u"abc"_s, u"d"_s } << ok << QString();
    QTest::newRow("empty input, standard error is no line")
        << "cat; echo out; echo err >&2"_ba << QStringList { u"out"_s } << ok << QString();
    QTest::newRow("non-zero exit: trimmed error text")
        << "echo partial; printf '  \\n ERROR: boom \\n\\n' >&2; exit 3"_ba << QStringList { u"partial"_s } << process
        << u"ERROR: boom"_s;
    QTest::newRow("killed by a signal is a failure")
        << "echo dying >&2; kill -KILL $$"_ba << QStringList {} << process << u"dying"_s;
    // 20,001 bytes: the last 16,000 are 15,998 'b', 'c' and the line feed.
    QTest::newRow("error text is the last 16,000 bytes")
        << "head -c 4000 /dev/zero | tr '\\0' a >&2; head -c 15999 /dev/zero | tr '\\0' b >&2; echo c >&2; exit 1"_ba
        << QStringList {} << process << QString(u"b"_s.repeated(15998) + u"c"_s);
    QTest::newRow("a line past 16 MB cancels the run")
        << "head -c 17000000 /dev/zero | tr '\\0' x; echo; sleep 60"_ba << QStringList {}
        << int(BrisError::Kind::Cancelled) << QString();
}

void ToolRunTest::outcomes()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, lines);
    QFETCH(int, kind);
    QFETCH(QString, text);

    StandInTools stand;
    stand.script(u"ffmpeg"_s, body);
    auto token = std::make_shared<Cancellation>();
    QStringList got;
    const Outcome outcome = attempt([&] {
        return Toolchain(stand.root()).run(u"ffmpeg"_s, {}, token, 30, [&](const QString& line) { got.append(line); });
    });
    QCOMPARE(got, lines);
    QCOMPARE(outcome.kind, kind);
    QCOMPARE(outcome.text, text);
    QCOMPARE(token->cancelled(), kind == int(BrisError::Kind::Cancelled));
    if (kind == -1)
        QCOMPARE(QString::fromUtf8(outcome.output).split(u'\n').first(), lines.first());
}

void ToolRunTest::argumentsAndEnvironment()
{
    StandInTools stand;
    stand.script(u"ffmpeg"_s,
        "printf '%s\\n' \"$@\" \"$PATH\" \"$PYTHONNOUSERSITE\" \"${PYTHONPATH-unset}\" \"${PYTHONHOME-unset}\" "
        "\"$BRISOMAR_TEST_KEPT\""_ba);
    for (const char* name : { "PYTHONPATH", "PYTHONHOME", "PYTHONNOUSERSITE", "BRISOMAR_TEST_KEPT" })
        qputenv(name, "inherited");
    const QByteArray output
        = Toolchain(stand.root())
              .run(u"ffmpeg"_s, { u"two words"_s, u"ñandú"_s, u""_s, u"$HOME"_s }, std::make_shared<Cancellation>());
    for (const char* name : { "PYTHONPATH", "PYTHONHOME", "PYTHONNOUSERSITE", "BRISOMAR_TEST_KEPT" })
        qunsetenv(name);
    QCOMPARE(QString::fromUtf8(output).split(u'\n'),
        QStringList({ u"two words"_s, u"ñandú"_s, u""_s, u"$HOME"_s, stand.root() + u":/usr/bin:/bin:/usr/sbin:/sbin"_s,
            u"1"_s, u"unset"_s, u"unset"_s, u"inherited"_s, u""_s }));
}

void ToolRunTest::stoppedTokenLaunchesNothing()
{
    StandInTools stand;
    const QString ran = stand.file(u"ran"_s);
    stand.script(u"ffmpeg"_s, "touch '"_ba + ran.toUtf8() + "'; echo go; sleep 60"_ba);
    const Toolchain tools(stand.root());
    auto token = std::make_shared<Cancellation>();
    // Cancelling from the line callback is cancelling from the run's own thread.
    auto run = [&] { return tools.run(u"ffmpeg"_s, {}, token, 60, [&](const QString&) { token->cancel(); }); };
    QCOMPARE(attempt(run).kind, int(BrisError::Kind::Cancelled));
    QVERIFY(QFile::remove(ran));

    QCOMPARE(attempt(run).kind, int(BrisError::Kind::Cancelled));
    QVERIFY(!QFile::exists(ran));
}

void ToolRunTest::groupEnds_data()
{
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<bool>("holdsPipes");
    QTest::addColumn<int>("kind");

    const int cancelled = int(BrisError::Kind::Cancelled);
    QTest::newRow("cancel, grandchild holds the pipes") << Ending::Cancel << true << cancelled;
    QTest::newRow("time-out, grandchild let go of the pipes") << Ending::Timeout << false << cancelled;
    QTest::newRow("the caller's callback throws") << Ending::CallerThrows << true << -2;
    QTest::newRow("tool succeeds, stray holds the pipes") << Ending::Finishes << true << -1;
}

void ToolRunTest::groupEnds()
{
    QFETCH(Ending, ending);
    QFETCH(bool, holdsPipes);
    QFETCH(int, kind);

    // A grandchild that ignores SIGTERM must end all the same, by SIGKILL.
    StandInTools stand;
    const QString pids = stand.file(u"pid"_s);
    stand.script(u"ffmpeg"_s,
        "pids='"_ba + pids.toUtf8() + "'\nps -o pgid= $$ > \"$pids.runner\"\n"
            + "( trap '' TERM; echo $BASHPID > \"$pids\"; exec sleep 600 ) " + (holdsPipes ? "" : ">/dev/null 2>&1 ")
            + "&\n"
              "until [ -s \"$pids\" ]; do sleep 0.01; done\n" // SIGTERM must find the trap set
              "echo started\n"
            + (ending == Ending::Finishes ? "exit 0" : "wait"));
    auto token = std::make_shared<Cancellation>();
    std::atomic_bool started = false;
    // std::async, not the Qt pool: its hand-off is visible to the thread sanitizer.
    std::future<Outcome> run = std::async(std::launch::async, [&] {
        return attempt([&] {
            return Toolchain(stand.root())
                .run(u"ffmpeg"_s, {}, token, ending == Ending::Timeout ? 1.0 : 60, [&](const QString&) {
                    started = true;
                    if (ending == Ending::CallerThrows)
                        throw std::runtime_error("caller gives up");
                });
        });
    });
    QTRY_VERIFY_WITH_TIMEOUT(started, 10000);
    if (ending == Ending::Cancel)
        token->cancel();
    // Well before the sleep or the 60 s limit would end it: the stop did.
    QVERIFY(run.wait_for(std::chrono::seconds(30)) == std::future_status::ready);

    QCOMPARE(run.get().kind, kind);
    QCOMPARE(token->cancelled(), kind == int(BrisError::Kind::Cancelled));
    QTRY_VERIFY_WITH_TIMEOUT(TestSupport::processEnded(pidIn(pids)), 10000);
    QVERIFY(TestSupport::processEnded(pidIn(pids + u".runner"_s)));
    QVERIFY(!ProcessGroup::alive(pid_t(pidIn(pids + u".runner"_s))));
}

// The program dies by SIGKILL while a tool runs: the group must not live on.
void ToolRunTest::startersDeathEndsGroup()
{
    StandInTools stand;
    const QString started = stand.file(u"started"_s);
    stand.script(u"ffmpeg"_s, "( trap '' TERM; exec sleep 600 ) & touch '"_ba + started.toUtf8() + "'; exec sleep 600");
    QProcess starter;
    starter.start(u"/bin/sh"_s,
        { u"-c"_s, u"\"$0\" \"$1\" & echo $!; wait"_s, stand.toolPath(u"runner"_s), stand.toolPath(u"ffmpeg"_s) });
    QVERIFY(starter.waitForReadyRead(10000));
    const pid_t group = pid_t(starter.readLine().trimmed().toLongLong());
    QVERIFY(group > 1);
    const auto cleanup = qScopeGuard([group] { ProcessGroup::kill(group); });
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 10000);
    starter.kill();
    QVERIFY(starter.waitForFinished(10000));
    QTRY_VERIFY_WITH_TIMEOUT(!ProcessGroup::alive(group), 10000);
}

QTEST_GUILESS_MAIN(ToolRunTest)
#include "tst_toolrun.moc"
