#include "BrisError.h"
#include "ProcessGroup.h"
#include "StandInTools.h"
#include "TestSupport.h"
#include "Toolchain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFuture>
#include <QtConcurrent>
#include <QTest>
#include <QThread>

#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {

// A tool that leaves a grandchild ignoring SIGTERM, which must end all the same.
// The grandchild either keeps the run's pipes or lets go of them.
QByteArray stubbornGrandchild(const QString& pidFile, bool holdsPipes)
{
    return "echo $$ > '"_ba + pidFile.toUtf8() + ".runner'\n"_ba + "( trap '' TERM; exec sleep 60 ) "_ba
        + (holdsPipes ? "" : ">/dev/null 2>&1 ") + "&\n" + "echo $! > '"_ba + pidFile.toUtf8() + "'\n"_ba
        + "echo started\n"
          "wait\n";
}

qint64 pidIn(const QString& file)
{
    return TestSupport::readFile(file).trimmed().toLongLong();
}

BrisError::Kind kindOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const BrisError& error) {
        return error.kind();
    }
    return BrisError::Kind(-1);
}

} // namespace

class ToolRunTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lines_data();
    void lines();
    void exitStatus_data();
    void exitStatus();
    void errorTextIsTheTail();
    void floodsKeepTheirTails();
    void longLines_data();
    void longLines();
    void argumentsAndEnvironment();
    void stoppedTokenLaunchesNothing_data();
    void stoppedTokenLaunchesNothing();
    void cancelledTokenStopsLaterRuns();
    void endsTheWholeGroup_data();
    void endsTheWholeGroup();
    void cancelRacingTheStart();
    void callerExceptionEndsTheRun();
    void straysOfAFinishedToolEnd_data();
    void straysOfAFinishedToolEnd();
    void launchFailurePassesThrough();
    void missingTool_data();
    void missingTool();
    void rootResolution();
};

void ToolRunTest::lines_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QByteArray>("output");

    QTest::newRow("last line without a line feed")
        << "printf 'a\\nb'"_ba << QStringList { u"a"_s, u"b"_s } << "a\nb"_ba;
    QTest::newRow("two line feeds give an empty line")
        << "printf 'a\\n\\nb\\n'"_ba << QStringList { u"a"_s, u""_s, u"b"_s } << "a\n\nb\n"_ba;
    QTest::newRow("invalid UTF-8 becomes a replacement character")
        << "printf 'x\\xffy\\n\\xc3\\xb1\\n'"_ba << QStringList { u"x\uFFFDy"_s, u"ñ"_s } << "x\xffy\n\xc3\xb1\n"_ba;
    QTest::newRow("carriage return is not trimmed")
        << "printf ' a \\r\\n'"_ba << QStringList { u" a \r"_s } << " a \r\n"_ba;
    QTest::newRow("line split across writes")
        << "printf 'ab'; sleep 0.2; printf 'c\\nd\\n'"_ba << QStringList { u"abc"_s, u"d"_s } << "abc\nd\n"_ba;
    QTest::newRow("standard error is not a line")
        << "echo out; echo err >&2"_ba << QStringList { u"out"_s } << "out\n"_ba;
    QTest::newRow("standard input is empty") << "cat; echo end"_ba << QStringList { u"end"_s } << "end\n"_ba;
}

void ToolRunTest::lines()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, expected);
    QFETCH(QByteArray, output);

    StandInTools stand;
    stand.script(u"ffmpeg"_s, body);
    QStringList got;
    QCOMPARE(
        Toolchain(stand.root())
            .run(u"ffmpeg"_s, {}, std::make_shared<Cancellation>(), 30, [&](const QString& line) { got.append(line); }),
        output);
    QCOMPARE(got, expected);
}

void ToolRunTest::exitStatus_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QString>("errorText");

    QTest::newRow("status 0 returns the output") << "echo fine; echo noise >&2"_ba << true << QString();
    QTest::newRow("status 3 gives the error text trimmed")
        << "echo partial; printf '  \\n ERROR: boom \\n\\n' >&2; exit 3"_ba << false << u"ERROR: boom"_s;
    QTest::newRow("a tool killed by a signal fails") << "echo dying >&2; kill -KILL $$"_ba << false << u"dying"_s;
    QTest::newRow("failure without error text") << "exit 1"_ba << false << QString();
}

void ToolRunTest::exitStatus()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, succeeds);
    QFETCH(QString, errorText);

    StandInTools stand;
    stand.script(u"ffmpeg"_s, body);
    try {
        const QByteArray output = Toolchain(stand.root()).run(u"ffmpeg"_s, {}, std::make_shared<Cancellation>());
        QVERIFY(succeeds);
        QCOMPARE(output, "fine\n"_ba);
    } catch (const BrisError& error) {
        QVERIFY2(!succeeds, qPrintable(error.fullDescription()));
        QCOMPARE(error.kind(), BrisError::Kind::Process);
        QCOMPARE(error.payload(), errorText);
    }
}

void ToolRunTest::errorTextIsTheTail()
{
    StandInTools stand;
    stand.script(u"ffmpeg"_s,
        "head -c 4000 /dev/zero | tr '\\0' a >&2\n"
        "head -c 15999 /dev/zero | tr '\\0' b >&2\n"
        "printf 'c\\n' >&2\n"
        "exit 1"_ba);
    try {
        Toolchain(stand.root()).run(u"ffmpeg"_s, {}, std::make_shared<Cancellation>());
        QFAIL("the tool failed");
    } catch (const BrisError& error) {
        // 20,001 bytes written: the last 16,000 are 15,998 'b', 'c' and the line feed.
        QCOMPARE(error.kind(), BrisError::Kind::Process);
        QCOMPARE(error.payload(), QString(u"b"_s.repeated(15998) + u"c"_s));
    }
}

void ToolRunTest::floodsKeepTheirTails()
{
    // 20 MB of 16-byte lines on standard output while standard error floods too.
    StandInTools stand;
    stand.script(u"ffmpeg"_s,
        "yes 0123456789abcde | head -c 20000000 &\n"
        "yes 'error line' | head -c 3000000 >&2\n"
        "wait\n"
        "echo tail"_ba);
    qint64 lines = 0;
    qint64 wrong = 0;
    const QByteArray output
        = Toolchain(stand.root()).run(u"ffmpeg"_s, {}, std::make_shared<Cancellation>(), 120, [&](const QString& line) {
              ++lines;
              if (line != u"0123456789abcde"_s && line != u"tail"_s)
                  ++wrong;
          });
    QCOMPARE(lines, 1'250'001);
    QCOMPARE(wrong, 0);
    QCOMPARE(output.size(), Toolchain::outputLimit);
    QVERIFY(output.endsWith("0123456789abcde\ntail\n"));
    // The front is dropped by bytes, not by lines: the 5 bytes of "tail\n" shift it.
    QVERIFY(output.startsWith("56789abcde\n0123"));
}

void ToolRunTest::longLines_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("lineSize");
    QTest::addColumn<bool>("cancelled");

    QTest::newRow("a megabyte line arrives whole")
        << "head -c 1000000 /dev/zero | tr '\\0' x; echo"_ba << 1000000 << false;
    QTest::newRow("a line past 16 MB stops the run")
        << "head -c 17000000 /dev/zero | tr '\\0' x; echo; sleep 60"_ba << 0 << true;
    QTest::newRow("an endless line stops the run") << "tr '\\0' x < /dev/zero"_ba << 0 << true;
}

void ToolRunTest::longLines()
{
    QFETCH(QByteArray, body);
    QFETCH(int, lineSize);
    QFETCH(bool, cancelled);

    StandInTools stand;
    stand.script(u"ffmpeg"_s, body);
    auto token = std::make_shared<Cancellation>();
    QList<qsizetype> sizes;
    QElapsedTimer clock;
    clock.start();
    const BrisError::Kind kind = kindOf([&] {
        Toolchain(stand.root()).run(u"ffmpeg"_s, {}, token, 60, [&](const QString& line) {
            sizes.append(line.size());
        });
    });
    QCOMPARE(kind == BrisError::Kind::Cancelled, cancelled);
    QCOMPARE(token->cancelled(), cancelled);
    if (cancelled)
        QVERIFY(sizes.isEmpty());
    else
        QCOMPARE(sizes, QList<qsizetype> { lineSize });
    QVERIFY(clock.elapsed() < 20000);
}

void ToolRunTest::argumentsAndEnvironment()
{
    StandInTools stand;
    stand.script(u"ffmpeg"_s,
        "for a in \"$@\"; do echo \"arg:$a\"; done\n"
        "echo \"PATH=$PATH\"\n"
        "echo \"PYTHONNOUSERSITE=$PYTHONNOUSERSITE\"\n"
        "echo \"PYTHONPATH=${PYTHONPATH-unset}\"\n"
        "echo \"PYTHONHOME=${PYTHONHOME-unset}\"\n"
        "echo \"KEPT=$BRISOMAR_TEST_KEPT\"\n"
        "echo \"PWD=$PWD\""_ba);
    qputenv("PYTHONPATH", "/somewhere");
    qputenv("PYTHONHOME", "/elsewhere");
    qputenv("PYTHONNOUSERSITE", "0");
    qputenv("BRISOMAR_TEST_KEPT", "yes");
    const QByteArray output = Toolchain(stand.root())
                                  .run(u"ffmpeg"_s, { u"two words"_s, u"ñandú"_s, u""_s, u"--x=$HOME"_s },
                                      std::make_shared<Cancellation>());
    qunsetenv("PYTHONPATH");
    qunsetenv("PYTHONHOME");
    qunsetenv("PYTHONNOUSERSITE");
    QCOMPARE(QString::fromUtf8(output).split(u'\n'),
        QStringList({ u"arg:two words"_s, u"arg:ñandú"_s, u"arg:"_s, u"arg:--x=$HOME"_s,
            u"PATH="_s + stand.root() + u":/usr/bin:/bin:/usr/sbin:/sbin"_s, u"PYTHONNOUSERSITE=1"_s,
            u"PYTHONPATH=unset"_s, u"PYTHONHOME=unset"_s, u"KEPT=yes"_s, u"PWD="_s + QDir::currentPath(), u""_s }));
}

void ToolRunTest::stoppedTokenLaunchesNothing_data()
{
    QTest::addColumn<bool>("toolMissing");
    QTest::addColumn<BrisError::Kind>("kind");

    QTest::newRow("tools present: cancelled") << false << BrisError::Kind::Cancelled;
    QTest::newRow("a tool missing is reported first") << true << BrisError::Kind::Message;
}

void ToolRunTest::stoppedTokenLaunchesNothing()
{
    QFETCH(bool, toolMissing);
    QFETCH(BrisError::Kind, kind);

    StandInTools stand;
    stand.script(u"ffmpeg"_s, "touch '"_ba + stand.file(u"ran"_s).toUtf8() + "'"_ba);
    if (toolMissing)
        stand.remove(u"ffprobe"_s);
    auto token = std::make_shared<Cancellation>();
    token->cancel();
    QCOMPARE(kindOf([&] { Toolchain(stand.root()).run(u"ffmpeg"_s, {}, token); }), kind);
    QVERIFY(!QFile::exists(stand.file(u"ran"_s)));
}

void ToolRunTest::cancelledTokenStopsLaterRuns()
{
    StandInTools stand;
    stand.script(u"ffmpeg"_s, "touch '"_ba + stand.file(u"ran"_s).toUtf8() + "'; echo go; sleep 60"_ba);
    const Toolchain tools(stand.root());
    auto token = std::make_shared<Cancellation>();
    // Cancelling from the line callback is cancelling from the run's own thread.
    QCOMPARE(kindOf([&] { tools.run(u"ffmpeg"_s, {}, token, 60, [&](const QString&) { token->cancel(); }); }),
        BrisError::Kind::Cancelled);
    QVERIFY(QFile::remove(stand.file(u"ran"_s)));
    QVERIFY_THROWS_EXCEPTION(BrisError, token->check());
    QCOMPARE(kindOf([&] { tools.run(u"ffmpeg"_s, {}, token); }), BrisError::Kind::Cancelled);
    QVERIFY(!QFile::exists(stand.file(u"ran"_s)));
}

void ToolRunTest::endsTheWholeGroup_data()
{
    QTest::addColumn<bool>("timeout");
    QTest::addColumn<bool>("holdsPipes");

    QTest::newRow("cancel, grandchild holds the pipes") << false << true;
    QTest::newRow("cancel, grandchild let go of the pipes") << false << false;
    QTest::newRow("time-out, grandchild holds the pipes") << true << true;
    QTest::newRow("time-out, grandchild let go of the pipes") << true << false;
}

void ToolRunTest::endsTheWholeGroup()
{
    QFETCH(bool, timeout);
    QFETCH(bool, holdsPipes);

    StandInTools stand;
    const QString pidFile = stand.file(u"grandchild"_s);
    stand.script(u"ffmpeg"_s, stubbornGrandchild(pidFile, holdsPipes));
    auto token = std::make_shared<Cancellation>();
    std::atomic_bool started = false;
    QElapsedTimer clock;
    clock.start();
    QFuture<BrisError::Kind> run = QtConcurrent::run([&] {
        return kindOf([&] {
            Toolchain(stand.root()).run(u"ffmpeg"_s, {}, token, timeout ? 1.0 : 60, [&](const QString& line) {
                if (line == u"started"_s)
                    started = true;
            });
        });
    });
    QTRY_VERIFY_WITH_TIMEOUT(started, 10000);
    const qint64 grandchild = pidIn(pidFile);
    const qint64 runner = pidIn(pidFile + u".runner"_s);
    QVERIFY(grandchild > 0 && runner > 0);
    QVERIFY(!TestSupport::processEnded(grandchild));

    QElapsedTimer sinceStop;
    if (timeout) {
        QTRY_VERIFY_WITH_TIMEOUT(token->cancelled(), 5000);
        sinceStop.start();
    } else {
        sinceStop.start();
        token->cancel();
    }
    run.waitForFinished();
    const qint64 stopping = sinceStop.elapsed();
    QCOMPARE(run.result(), BrisError::Kind::Cancelled);
    QVERIFY(token->cancelled());
    // SIGTERM ends the runner at once; the grandchild needs the SIGKILL two seconds later.
    QVERIFY2(stopping >= 1800 && stopping < 3000, qPrintable(QString::number(stopping)));
    QTRY_VERIFY_WITH_TIMEOUT(TestSupport::processEnded(grandchild), 500);
    QVERIFY(TestSupport::processEnded(runner));
    QVERIFY(!ProcessGroup::alive(pid_t(runner)));
    if (timeout)
        QVERIFY(clock.elapsed() < 4500);
}

void ToolRunTest::cancelRacingTheStart()
{
    StandInTools stand;
    stand.script(u"ffmpeg"_s, "echo $$ >> '"_ba + stand.file(u"groups"_s).toUtf8() + "'; sleep 60 & wait"_ba);
    const Toolchain tools(stand.root());
    for (int round = 0; round < 40; ++round) {
        auto token = std::make_shared<Cancellation>();
        QFuture<BrisError::Kind> run
            = QtConcurrent::run([&] { return kindOf([&] { tools.run(u"ffmpeg"_s, {}, token, 60); }); });
        // Cancel somewhere between before the launch and shortly after it.
        QThread::usleep(round * 100);
        token->cancel();
        QElapsedTimer clock;
        clock.start();
        run.waitForFinished();
        QCOMPARE(run.result(), BrisError::Kind::Cancelled);
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    }
    // Every group that got as far as the script is gone, sleep included.
    const QList<QByteArray> groups = TestSupport::readFile(stand.file(u"groups"_s)).split('\n');
    for (const QByteArray& group : groups) {
        if (!group.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(!ProcessGroup::alive(pid_t(group.toLongLong())), 1000);
    }
}

void ToolRunTest::callerExceptionEndsTheRun()
{
    StandInTools stand;
    const QString pidFile = stand.file(u"grandchild"_s);
    stand.script(u"ffmpeg"_s, stubbornGrandchild(pidFile, true));
    auto token = std::make_shared<Cancellation>();
    QElapsedTimer clock;
    clock.start();
    QVERIFY_THROWS_EXCEPTION(
        std::runtime_error, Toolchain(stand.root()).run(u"ffmpeg"_s, {}, token, 60, [](const QString&) {
            throw std::runtime_error("caller gives up");
        }));
    QVERIFY(clock.elapsed() < 3500);
    QVERIFY(!token->cancelled());
    QTRY_VERIFY_WITH_TIMEOUT(TestSupport::processEnded(pidIn(pidFile)), 500);
}

void ToolRunTest::straysOfAFinishedToolEnd_data()
{
    QTest::addColumn<bool>("holdsPipes");

    QTest::newRow("stray let go of the pipes") << false;
    QTest::newRow("stray holds the pipes") << true;
}

void ToolRunTest::straysOfAFinishedToolEnd()
{
    QFETCH(bool, holdsPipes);

    StandInTools stand;
    const QString pidFile = stand.file(u"stray"_s);
    stand.script(u"ffmpeg"_s,
        "( trap '' TERM; exec sleep 60 ) "_ba + (holdsPipes ? "" : ">/dev/null 2>&1 ") + "&\necho $! > '"_ba
            + pidFile.toUtf8() + "'\necho done"_ba);
    auto token = std::make_shared<Cancellation>();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(Toolchain(stand.root()).run(u"ffmpeg"_s, {}, token, 60), "done\n"_ba);
    QVERIFY(clock.elapsed() < 3500);
    QVERIFY(!token->cancelled());
    QTRY_VERIFY_WITH_TIMEOUT(TestSupport::processEnded(pidIn(pidFile)), 500);
}

void ToolRunTest::launchFailurePassesThrough()
{
    StandInTools stand;
    stand.remove(u"runner"_s);
    // Executable, but no program the system can start.
    stand.script(u"runner"_s, {});
    QVERIFY(TestSupport::writeFile(stand.toolPath(u"runner"_s),
        "\x7f"
        "ELF broken"_ba));
    QVERIFY_THROWS_EXCEPTION(
        SystemError, Toolchain(stand.root()).run(u"ffmpeg"_s, { u"-version"_s }, std::make_shared<Cancellation>()));
}

void ToolRunTest::missingTool_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<bool>("notExecutable");

    for (const QString& tool : { u"runner"_s, u"yt-dlp"_s, u"node"_s, u"ffmpeg"_s, u"ffprobe"_s })
        QTest::newRow(qPrintable(tool + u" missing"_s)) << tool << false;
    QTest::newRow("yt-dlp not executable") << u"yt-dlp"_s << true;
}

void ToolRunTest::missingTool()
{
    QFETCH(QString, tool);
    QFETCH(bool, notExecutable);

    StandInTools stand;
    stand.remove(tool);
    if (notExecutable)
        QVERIFY(TestSupport::writeFile(stand.toolPath(tool), "#!/bin/sh\n"));
    const Toolchain tools(stand.root());
    QVERIFY_THROWS_EXCEPTION(BrisError, tools.require());
    try {
        tools.run(u"node"_s, { u"--version"_s }, std::make_shared<Cancellation>());
        QFAIL("a tool is missing");
    } catch (const BrisError& error) {
        QCOMPARE(error.errorDescription(), u"Falta una herramienta del motor local. Volvé a instalar Brisomar."_s);
    }
}

void ToolRunTest::rootResolution()
{
    if (qEnvironmentVariableIsEmpty("BRISOMAR_TOOLS_DIR"))
        qputenv("BRISOMAR_TOOLS_DIR", TestSupport::toolsDir().toUtf8());
    const QString environment = qEnvironmentVariable("BRISOMAR_TOOLS_DIR");
    QCOMPARE(Toolchain().root(), QDir::cleanPath(environment));
    QCOMPARE(Toolchain(u"/opt/given/"_s).root(), u"/opt/given"_s);
    QCOMPARE(Toolchain(u"relative"_s).root(), QDir::current().absoluteFilePath(u"relative"_s));
    QCOMPARE(Toolchain(u"/r"_s).path(u"yt-dlp"_s), u"/r/yt-dlp-runtime/yt-dlp_linux"_s);

    qunsetenv("BRISOMAR_TOOLS_DIR");
    // The test program lies outside the build tree's root: the installed layout is next.
    QCOMPARE(
        Toolchain().root(), QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/../share/brisomar/Tools"_s));
    qputenv("BRISOMAR_TOOLS_DIR", environment.toUtf8());
    Toolchain().require();
}

QTEST_GUILESS_MAIN(ToolRunTest)
#include "tst_toolrun.moc"
