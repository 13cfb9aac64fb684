#include "AppDelegate.h"
#include "AppHarness.h"
#include "FocusLinkNotifier.h"
#include "MainView.h"
#include "MainWindow.h"
#include "NavigationEntry.h"
#include "NewDownloadView.h"
#include "SettingsView.h"
#include "SheetDialog.h"
#include "Sidebar.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Processes still alive in session `session`, zombies aside.
QStringList sessionProcesses(qint64 session)
{
    QStringList alive;
    for (const QString& pid : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        const QByteArray stat = TestSupport::readFile(u"/proc/"_s + pid + u"/stat"_s);
        // pid (name) state ppid pgrp session: the name may hold blanks and parentheses.
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 3 && fields[3].toLongLong() == session && fields[0] != "Z")
            alive.append(pid + u' ' + QString::fromUtf8(TestSupport::readFile(u"/proc/"_s + pid + u"/cmdline"_s)));
    }
    return alive;
}

// The program's own folders, settings and tools, none of the user's, offscreen;
// the network behind a proxy that refuses every connection.
QProcessEnvironment programEnvironment(const QTemporaryDir& dir, const StandInTools& tools)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"BRISOMAR_DATA_DIR"_s, dir.filePath(u"data"_s));
    environment.insert(u"BRISOMAR_DOWNLOAD_DIR"_s, dir.filePath(u"Descargas"_s));
    environment.insert(u"HOME"_s, dir.filePath(u"home"_s));
    for (const QString& name : { u"CONFIG"_s, u"DATA"_s, u"CACHE"_s })
        environment.insert(u"XDG_%1_HOME"_s.arg(name), dir.filePath(name.toLower()));
    environment.remove(u"QT_MEDIA_BACKEND"_s);
    environment.insert(u"BRISOMAR_TOOLS_DIR"_s, tools.root());
    for (const QString& name : { u"HTTPS_PROXY"_s, u"HTTP_PROXY"_s, u"https_proxy"_s, u"http_proxy"_s })
        environment.insert(name, u"http://127.0.0.1:9"_s);
    return environment;
}

} // namespace

// The one video the stand-in yt-dlp of these tests knows.
static bool writeVideoJson(const StandInTools& tools)
{
    return TestSupport::writeFile(tools.file(u"video.json"_s),
        R"({"id":"abcdefghijk","extractor":"youtube","title":"Un video","uploader":"Autor","duration":3,)"
        R"("formats":[{"format_id":"18","ext":"mp4","vcodec":"avc1.42001E","acodec":"mp4a.40.2","height":360}]})");
}

class AppDelegateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The remembered window frame goes to a test folder, not the user's settings.
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(u"BrisomarTest"_s);
        QCoreApplication::setApplicationName(u"BrisomarTest"_s);
    }

    void init() { QSettings().clear(); }

    // The sidebar's entries and the keys, from the library: the section with its
    // header; the link field is asked for after its screen is on display; the
    // preferences sheet is modal and closing it (Escape) closes it in the model.
    void sections_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("shown");

        const QString fresh = u"new newDownloadView Nueva descarga new"_s;
        QTest::newRow("the sidebar's queue") << u"navQueue"_s << u"queue queueView Tu cola queue"_s;
        QTest::newRow("Ctrl+N opens a new download") << u"Ctrl+N"_s << fresh;
        QTest::newRow("Ctrl+L goes to the link, the same") << u"Ctrl+L"_s << fresh;
        QTest::newRow("Ctrl+, opens the preferences")
            << u"Ctrl+,"_s << u"library libraryView Descargados library settings"_s;
    }

    void sections()
    {
        QFETCH(QString, way);
        QFETCH(QString, shown);

        // The controllable engine, with the desktop played by the test.
        AppHarness harness;
        AppDelegate delegate({ u"brisomar"_s }, harness.engine, std::make_unique<FakeDesktopServices>());
        const auto release = qScopeGuard([&] { harness.engine->close(); });
        delegate.launch();
        QVERIFY(QTest::qWaitForWindowExposed(delegate.window()));
        AppModel& model = *delegate.model();
        QVERIFY(QTest::qWaitFor([&] { return model.engineReady() && !model.engineChecking(); }));
        MainView& view = *delegate.mainView();
        model.setSection(Section::library);
        QStringList screensWhenAsked;
        connect(&FocusLinkNotifier::instance(), &FocusLinkNotifier::focusLink, &delegate,
            [&] { screensWhenAsked.append(view.currentScreen()->objectName()); });
        if (way.startsWith(u"nav"_s))
            QTest::mouseClick(view.findChild<QWidget*>(way), Qt::LeftButton);
        else
            QTest::keySequence(delegate.window(), QKeySequence(way));
        QString seen = rawValue(model.section()) + u' ' + view.currentScreen()->objectName() + u' '
            + view.findChild<QLabel*>(u"headerTitle"_s)->text();
        for (const Section entry : allCases<Section>())
            seen += view.sidebar()->entry(entry)->isSelected() ? u' ' + rawValue(entry) : QString();
        QCOMPARE(seen + (model.settings() ? u" settings"_s : QString()), shown);
        QVERIFY(screensWhenAsked.isEmpty());
        if (way.startsWith(u"Ctrl+"_s) && shown.startsWith(u"new"_s)) {
            QTRY_COMPARE(screensWhenAsked, QStringList { u"newDownloadView"_s });
            QTRY_VERIFY(view.findChild<NewDownloadView*>()->linkField()->hasFocus());
        }
        if (QPointer<SheetDialog> sheet = view.settingsSheet()) {
            QVERIFY(sheet->isVisible() && sheet->isModal() && qobject_cast<SettingsView*>(sheet->content()));
            QTest::keyClick(sheet, Qt::Key_Escape);
            QVERIFY(!model.settings());
            QTRY_VERIFY(!sheet);
        }
    }

    void oneProgramPerDataFolder_data()
    {
        // The first window dies by kill -9 before the later start.
        QTest::addColumn<bool>("killed");
        QTest::addColumn<QStringList>("later");
        // BRISOMAR_TEST_ROOT for the later start, in the test folder.
        QTest::addColumn<QString>("root");
        // The later start's exit status; -1: it stays, as the window.
        QTest::addColumn<int>("status");
        // Whose analysis the link got, if any.
        QTest::addColumn<QString>("analysed");

        const QString link = u"https://youtu.be/abcdefghijk"_s;
        QTest::newRow("a second start hands its link to the first window and ends")
            << false << QStringList { link } << QString() << 0 << u"first"_s;
        QTest::newRow("a second start without a link ends too")
            << false << QStringList {} << QString() << 0 << QString();
        QTest::newRow("after kill -9 of the first, the next start takes the folder and the link")
            << true << QStringList { link } << QString() << -1 << u"later"_s;
        QTest::newRow("--self-test in the window's data folder refuses")
            << false << QStringList { u"--self-test"_s } << u"data"_s << 1 << QString();
        QTest::newRow("--social-test on the window's data folder refuses")
            << false << QStringList { u"--social-test"_s } << u"."_s << 1 << QString();
    }

    // The real program started twice on one data folder: the later start never
    // works beside the first, and a dead first one locks no one out.
    void oneProgramPerDataFolder()
    {
        QFETCH(bool, killed);
        QFETCH(QStringList, later);
        QFETCH(QString, root);
        QFETCH(int, status);
        QFETCH(QString, analysed);

        QTemporaryDir dir;
        StandInTools tools;
        const QString runs = tools.file(u"runs"_s);
        QVERIFY(writeVideoJson(tools));
        // Each analysis leaves the link it was asked about.
        tools.script(u"yt-dlp"_s,
            "case \" $* \" in\n*\" --version \"*) echo 2026.11.23 ;;\n*\" --dump-single-json \"*) echo \"${@: -1}\" >> '"_ba
                + runs.toUtf8() + "'; cat '"_ba + tools.file(u"video.json"_s).toUtf8() + "' ;;\nesac"_ba);
        const QProcessEnvironment environment = programEnvironment(dir, tools);
        const auto start = [&](QProcess& program, const QStringList& arguments, const QString& testRoot) {
            QProcessEnvironment own = environment;
            if (!testRoot.isNull())
                own.insert(u"BRISOMAR_TEST_ROOT"_s, dir.filePath(testRoot));
            program.setProcessEnvironment(own);
            program.setProcessChannelMode(QProcess::MergedChannels);
            program.start(QStringLiteral(BRISOMAR_PROGRAM), arguments);
            QVERIFY(program.waitForStarted());
        };
        QProcess first;
        QProcess second;
        const auto end = qScopeGuard([&] {
            for (QProcess* program : { &first, &second }) {
                program->kill();
                program->waitForFinished();
            }
        });
        start(first, { u"--first-frame"_s }, {});
        QByteArray shown;
        QTRY_VERIFY2_WITH_TIMEOUT(
            (shown += first.readAllStandardOutput()).contains("first-frame"), shown.constData(), 120000);
        if (killed) {
            first.kill();
            QVERIFY(first.waitForFinished());
        }

        start(second, later, root);
        QCOMPARE(second.waitForFinished(60000), status >= 0);
        if (status >= 0) {
            QCOMPARE(second.exitStatus(), QProcess::NormalExit);
            QCOMPARE(second.exitCode(), status);
        }
        const QString output = QString::fromUtf8(second.readAllStandardOutput());
        QVERIFY2(output.contains(u"está usando"_s) == (status == 1), qPrintable(output));
        // A refused suite has written nothing where the window works.
        QVERIFY(!QFile::exists(dir.filePath(u"data/report.json"_s)));
        QVERIFY(!QFile::exists(dir.filePath(u"social-report.json"_s)));
        if (analysed.isEmpty()) {
            QCOMPARE(TestSupport::readFile(runs), QByteArray());
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(TestSupport::readFile(runs).contains("abcdefghijk"), 60000);
        QCOMPARE(TestSupport::readFile(runs).count('\n'), 1);
        // The one window left took it.
        QCOMPARE((analysed == u"first"_s ? first : second).state(), QProcess::Running);
    }

    void everyWayOutEndsTheProgram_data()
    {
        QTest::addColumn<QString>("scenario");
        // "Originals" is a file: the history and preferences it could not read stay as they were.
        QTest::addColumn<bool>("unprepared");
        QTest::newRow("Salir de Brisomar in the menu bar") << u"menu"_s << false;
        QTest::newRow("Ctrl+Q") << u"keys"_s << false;
        QTest::newRow("closing the window") << u"close"_s << false;
        QTest::newRow("SIGTERM") << u"term"_s << false;
        QTest::newRow("Cerrar app in the quit alert, a download running") << u"alert"_s << false;
        QTest::newRow("Ctrl+Q, the data folder unprepared") << u"keys"_s << true;
    }

    // The real program, with someone at the desk (tests/ui/desk) quitting it one
    // way or another: it ends by itself, with status 0, in time, having saved the
    // history, the link typed just before and the window's place and leaving no
    // process behind; the next start shows that link.
    void everyWayOutEndsTheProgram()
    {
        QFETCH(QString, scenario);
        QFETCH(bool, unprepared);
        const bool downloading = scenario == u"alert"_s;
        // A second once the program may end; the running tools get the quit delay to stop.
        const qint64 limit = 1000 + (downloading ? AppDelegate::quitDelay.count() : 0);

        QTemporaryDir dir;
        const QByteArray history = DownloadJob::encodeHistory(
            { finishedJob(dir.filePath(u"Descargas"_s), u"abcdefghijk"_s, u"t"_s, u"a"_s, DownloadKind::audio, 0) });
        const QByteArray preferences = "{\"folder\":\"/tmp/x\",\"metadata\":false}";
        if (unprepared) {
            QVERIFY(TestSupport::writeFile(dir.filePath(u"data/Originals"_s), "not a folder"));
            QVERIFY(TestSupport::writeFile(dir.filePath(u"data/library.json"_s), history));
            QVERIFY(TestSupport::writeFile(dir.filePath(u"data/preferences.json"_s), preferences));
        }
        StandInTools tools;
        const QString runs = tools.file(u"runs"_s);
        QVERIFY(writeVideoJson(tools));
        // It knows one video and downloads it forever, stuck half-way.
        tools.script(u"yt-dlp"_s,
            "case \" $* \" in\n*\" --version \"*) echo 2026.11.23 ;;\n*\" --dump-single-json \"*) echo analysis >> '"_ba
                + runs.toUtf8() + "'; cat '"_ba + tools.file(u"video.json"_s).toUtf8()
                + "' ;;\n*) echo download >> '"_ba + runs.toUtf8()
                + "'; echo 'BRISOMAR_PROGRESS: 50.0%|1.00MiB/s|00:10'; exec sleep 600 ;;\nesac"_ba);

        QProcessEnvironment environment = programEnvironment(dir, tools);
        environment.insert(u"QT_PLUGIN_PATH"_s, QStringLiteral(BRISOMAR_DESK_PLUGINS));
        environment.insert(u"QT_QPA_GENERIC_PLUGINS"_s, u"brisomardesk:"_s + scenario);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Its own session: whatever it starts stays in it, found again by that.
        program.setChildProcessModifier([] { ::setsid(); });
        QElapsedTimer clock;
        qint64 quitting = -1;
        qint64 ended = -1;
        QByteArray output;
        connect(&program, &QProcess::readyReadStandardOutput, this, [&] {
            output += program.readAllStandardOutput();
            if (output.contains("quitting\n") && quitting < 0) {
                quitting = clock.elapsed();
                if (scenario == u"term"_s)
                    program.terminate();
            }
        });
        connect(&program, &QProcess::finished, this, [&] { ended = clock.elapsed(); });
        clock.start();
        program.start(QStringLiteral(BRISOMAR_PROGRAM));
        QVERIFY(program.waitForStarted());
        const qint64 session = program.processId();

        // Starting and reaching the way out may take long on a loaded machine;
        // ending, once asked, must not: a program that stays is caught in seconds.
        QTRY_VERIFY_WITH_TIMEOUT(quitting >= 0 || ended >= 0, 120000);
        QTRY_VERIFY_WITH_TIMEOUT(ended >= 0, 10000);
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0 && quitting >= 0,
            qPrintable(u"status %1"_s.arg(program.exitCode())));
        QVERIFY2(ended - quitting <= limit, qPrintable(u"%1 ms"_s.arg(ended - quitting)));
        QCOMPARE(sessionProcesses(session), QStringList());

        const QSettings settings(dir.filePath(u"config/Brisomar/Brisomar.conf"_s), QSettings::IniFormat);
        QVERIFY(!settings.value(QLatin1StringView(AppDelegate::frameName)).toByteArray().isEmpty());
        const QList<DownloadJob> saved
            = DownloadJob::decodeHistory(TestSupport::readFile(dir.filePath(u"data/library.json"_s)))
                  .value_or(QList<DownloadJob> {});
        if (unprepared) {
            QCOMPARE(TestSupport::readFile(dir.filePath(u"data/library.json"_s)), history);
            QCOMPARE(TestSupport::readFile(dir.filePath(u"data/preferences.json"_s)), preferences);
            return;
        }
        if (!downloading) {
            QVERIFY(saved.isEmpty());
            const QString typed = u"https://youtu.be/zyxwvutsrqp"_s;
            QCOMPARE(Preferences::decode(TestSupport::readFile(dir.filePath(u"data/preferences.json"_s)))
                         .value_or(Preferences {})
                         .lastLink,
                typed);
            QProcess again;
            environment.insert(u"QT_QPA_GENERIC_PLUGINS"_s, u"brisomardesk:keys"_s);
            again.setProcessEnvironment(environment);
            again.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            again.start(QStringLiteral(BRISOMAR_PROGRAM));
            QVERIFY(again.waitForFinished(120000));
            QVERIFY(again.readAllStandardOutput().contains("link: " + typed.toUtf8() + '\n'));
            return;
        }
        // The alert as the user reads it, the first time, when kept downloading.
        output += program.readAllStandardOutput();
        QCOMPARE(QString::fromUtf8(output).split(u'\n').filter(u"alert: "_s),
            QStringList { u"alert: ¿Cerrar Brisomar?|Las descargas pendientes se interrumpirán. Podés reintentarlas al "
                          u"volver a abrir la app.|Seguir descargando|Cerrar app"_s });
        // The cancelled download may still report itself before the end (cancelled).
        QCOMPARE(saved.size(), 1);
        QVERIFY2(saved[0].state == JobState::interrupted || saved[0].state == JobState::cancelled,
            qPrintable(rawValue(saved[0].state)));
        // Neither the paste nor the click after "Cerrar app" started anything.
        QCOMPARE(TestSupport::readFile(runs), "analysis\ndownload\n"_ba);
    }
};

QTEST_MAIN(AppDelegateTest)
#include "tst_appdelegate.moc"
