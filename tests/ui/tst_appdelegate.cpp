#include "AppDelegate.h"
#include "AppHarness.h"
#include "AppUpdates.h"
#include "FocusLinkNotifier.h"
#include "MainView.h"
#include "MainWindow.h"
#include "PlainButton.h"
#include "StandInTools.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using Kind = ControlledEngine::Kind;

namespace {

// The application over the controllable engine, with the desktop played by the
// test: it records what the model asked. Its end is seen in the process tests;
// here the test has no event loop for it to stop.
struct Application
{
    AppHarness harness;
    FakeDesktopServices* services = nullptr;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<QSignalSpy> exits;
    QList<QString> alerts;
    AppDelegate::QuitChoice answer = AppDelegate::QuitChoice::keepDownloading;

    Application()
    {
        auto fake = std::make_unique<FakeDesktopServices>();
        services = fake.get();
        delegate = std::make_unique<AppDelegate>(QStringList { u"brisomar"_s }, harness.engine, std::move(fake));
        exits = std::make_unique<QSignalSpy>(delegate.get(), &AppDelegate::terminating);
        delegate->setQuitQuestion([this](QMessageBox& alert) {
            alerts.append(alert.text() + u'|' + alert.informativeText() + u'|' + alert.defaultButton()->text() + u'|'
                + alert.findChild<QAbstractButton*>(u"closeApp"_s)->text());
            return answer;
        });
    }
    ~Application()
    {
        harness.engine->close();
        delegate.reset();
    }

    bool launch()
    {
        delegate->launch();
        return QTest::qWaitForWindowExposed(delegate->window())
            && QTest::qWaitFor([&] { return model().engineReady() && !model().engineChecking(); }, 5000);
    }
    AppModel& model() { return *delegate->model(); }
    QString history() const { return harness.data() + u"/library.json"_s; }
    QList<DownloadJob> saved() const
    {
        return DownloadJob::decodeHistory(TestSupport::readFile(history())).value_or(QList<DownloadJob> {});
    }
    bool enqueue(const QString& id) { return enqueueVideo(model(), *harness.engine, id, u"Video "_s + id); }
};

// The program's own folders, settings and tools, none of the user's.
QProcessEnvironment programEnvironment(const QTemporaryDir& dir)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"BRISOMAR_DATA_DIR"_s, dir.filePath(u"data"_s));
    environment.insert(u"BRISOMAR_DOWNLOAD_DIR"_s, dir.filePath(u"Descargas"_s));
    environment.insert(u"HOME"_s, dir.filePath(u"home"_s));
    for (const QString& name : { u"CONFIG"_s, u"DATA"_s, u"CACHE"_s })
        environment.insert(u"XDG_%1_HOME"_s.arg(name), dir.filePath(name.toLower()));
    environment.remove(u"QT_MEDIA_BACKEND"_s);
    return environment;
}

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

} // namespace

class AppDelegateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void window();
    void sectionCommands_data();
    void sectionCommands();
    void pasteLinkCommand();
    void quit_data();
    void quit();
    void quitWhileDownloadingWaits();
    void everyWayOutEndsTheProgram_data();
    void everyWayOutEndsTheProgram();
    void programTakesASnapshot();
};

void AppDelegateTest::initTestCase()
{
    // The remembered window frame goes to a test folder, not the user's settings.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(u"BrisomarTest"_s);
    QCoreApplication::setApplicationName(u"BrisomarTest"_s);
}

void AppDelegateTest::init()
{
    QSettings().clear();
}

void AppDelegateTest::window()
{
    Application app;
    QVERIFY(app.launch());
    MainWindow* window = app.delegate->window();
    QCOMPARE(window->windowTitle(), u"Brisomar"_s);
    QVERIFY(!window->windowIcon().isNull());
    QCOMPARE(window->centralWidget(), app.delegate->mainView());
    QCOMPARE(app.delegate->mainView()->size(), MainView::defaultSize);
    QCOMPARE(window->minimumSizeHint().width(), MainView::minimumSize.width());
    QVERIFY(window->minimumSizeHint().height() >= MainView::minimumSize.height());
    app.delegate->action(u"actionAbout"_s)->trigger();
    auto* panel = window->findChild<QMessageBox*>(u"aboutPanel"_s);
    QVERIFY(panel && panel->isVisible());
    QVERIFY(panel->text().endsWith(app.model().updates()->version()));
    // Qt's own button in Spanish; each credit line on one line of its own.
    QCOMPARE(panel->button(QMessageBox::Ok)->text(), u"Aceptar"_s);
    auto* credits = panel->findChild<QLabel*>(u"qt_msgbox_informativelabel"_s);
    QVERIFY(credits);
    QVERIFY(credits->width() > credits->fontMetrics().horizontalAdvance(credits->text().section(u'\n', 1)));
    panel->close();
    // No button is cut short by the system font.
    for (auto* plain : app.delegate->mainView()->findChildren<PlainButton*>())
        QVERIFY2(!plain->isVisible() || plain->width() >= plain->sizeHint().width(), qPrintable(plain->objectName()));
}

void AppDelegateTest::sectionCommands_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("section");
    QTest::addColumn<bool>("settings");

    QTest::newRow("Ctrl+N opens a new download") << u"Ctrl+N"_s << u"new"_s << false;
    QTest::newRow("Ctrl+L goes to the link, the same") << u"Ctrl+L"_s << u"new"_s << false;
    QTest::newRow("Ctrl+, opens the preferences") << u"Ctrl+,"_s << u"library"_s << true;
}

void AppDelegateTest::sectionCommands()
{
    QFETCH(QString, keys);
    QFETCH(QString, section);
    QFETCH(bool, settings);

    Application app;
    QVERIFY(app.launch());
    app.model().setSection(u"library"_s);
    QStringList screensWhenAsked;
    connect(&FocusLinkNotifier::instance(), &FocusLinkNotifier::focusLink, app.delegate.get(),
        [&] { screensWhenAsked.append(app.delegate->mainView()->currentScreen()->objectName()); });
    QTest::keySequence(app.delegate->window(), QKeySequence(keys));
    QCOMPARE(app.model().section(), section);
    QCOMPARE(app.model().settings(), settings);
    // The link field is asked for after its screen is on display, not with it.
    QVERIFY(screensWhenAsked.isEmpty());
    if (!settings)
        QTRY_COMPARE(screensWhenAsked, QStringList { u"newDownloadView"_s });
}

void AppDelegateTest::pasteLinkCommand()
{
    Application app;
    QVERIFY(app.launch());
    app.model().setSection(u"queue"_s);
    app.services->clipboard = u"https://youtu.be/aaaaaaaaaaa"_s;
    app.harness.engine->analyzeNow = [](const QString&) { return QList { testVideo(u"aaaaaaaaaaa"_s) }; };
    app.delegate->action(u"actionPasteLink"_s)->trigger();
    QCOMPARE(app.model().section(), u"new"_s);
    QCOMPARE(app.model().link(), u"https://youtu.be/aaaaaaaaaaa"_s);
    QTRY_VERIFY(app.model().info());
}

void AppDelegateTest::quit_data()
{
    QTest::addColumn<QList<JobState>>("history");
    QTest::addColumn<int>("queued");
    QTest::addColumn<AppDelegate::QuitChoice>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("exits");

    using Choice = AppDelegate::QuitChoice;
    QTest::newRow("no jobs: no alert, ends at once")
        << QList<JobState> {} << 0 << Choice::keepDownloading << false << 1;
    QTest::newRow("only finished and failed jobs: no alert")
        << QList { JobState::completed, JobState::failed } << 0 << Choice::keepDownloading << false << 1;
    QTest::newRow("pending jobs, keep downloading: nothing changes")
        << QList<JobState> {} << 1 << Choice::keepDownloading << true << 0;
}

void AppDelegateTest::quit()
{
    QFETCH(QList<JobState>, history);
    QFETCH(int, queued);
    QFETCH(AppDelegate::QuitChoice, answer);
    QFETCH(bool, asked);
    QFETCH(int, exits);

    Application app;
    QList<DownloadJob> jobs;
    for (int i = 0; i < history.size(); ++i)
        jobs.append(endedJob(app.harness.downloads(), u"past%1aaaaaa"_s.arg(i), u"Antes"_s, history[i], {}, i));
    QVERIFY(TestSupport::writeFile(app.history(), DownloadJob::encodeHistory(jobs)));
    QVERIFY(app.launch());
    for (int i = 0; i < queued; ++i)
        QVERIFY(app.enqueue(u"queued%1aaaa"_s.arg(i)));
    QTRY_COMPARE(app.harness.engine->count(Kind::exportJob), queued);
    const QList<DownloadJob> before = app.model().jobs();
    const QByteArray savedBefore = TestSupport::readFile(app.history());
    app.answer = answer;

    app.delegate->quit();
    QCOMPARE(app.alerts.size(), asked ? 1 : 0);
    QCOMPARE(app.exits->count(), exits);
    if (exits == 0) {
        QCOMPARE(app.model().jobs(), before);
        QCOMPARE(TestSupport::readFile(app.history()), savedBefore);
        QVERIFY(!app.delegate->isQuitting());
    }
    if (asked) {
        QCOMPARE(app.alerts.first(),
            u"¿Cerrar Brisomar?|Las descargas pendientes se interrumpirán. Podés reintentarlas al volver a abrir la "
            u"app.|Seguir descargando|Cerrar app"_s);
    }
}

void AppDelegateTest::quitWhileDownloadingWaits()
{
    Application app;
    app.harness.engine->cancelEnds = false;
    QVERIFY(app.launch());
    QVERIFY(app.enqueue(u"runningaaaa"_s));
    QVERIFY(app.enqueue(u"waitingaaaa"_s));
    QTRY_COMPARE(app.harness.engine->count(Kind::exportJob), 1);
    QTRY_VERIFY(app.model().active());
    app.answer = AppDelegate::QuitChoice::closeApp;

    QElapsedTimer clock;
    clock.start();
    app.delegate->quit();
    QCOMPARE(app.alerts.size(), 1);
    // The jobs are interrupted and saved at once; the application ends later.
    QCOMPARE(app.exits->count(), 0);
    for (const DownloadJob& job : app.saved())
        QCOMPARE(job.state, JobState::interrupted);
    QCOMPARE(app.saved().size(), 2);
    QVERIFY(app.harness.engine->call(Kind::exportJob, 0)->token->cancelled());
    // A second request while waiting asks nothing more.
    app.delegate->quit();
    QCOMPARE(app.alerts.size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(app.exits->count(), 1, 5000);
    const qint64 waited = clock.elapsed();
    QVERIFY2(waited >= AppDelegate::quitDelay.count() - 50 && waited < AppDelegate::quitDelay.count() + 1500,
        qPrintable(QString::number(waited)));
}

void AppDelegateTest::everyWayOutEndsTheProgram_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<bool>("downloading");

    QTest::newRow("Salir de Brisomar in the menu bar") << u"menu"_s << false;
    QTest::newRow("Ctrl+Q") << u"keys"_s << false;
    QTest::newRow("closing the window") << u"close"_s << false;
    QTest::newRow("Cerrar app in the quit alert, a download running") << u"alert"_s << true;
}

// The real program, with someone at the desk (tests/ui/desk) quitting it one
// way or another: it ends by itself, with status 0, in time, having saved the
// history and the window's place and leaving no process behind.
void AppDelegateTest::everyWayOutEndsTheProgram()
{
    QFETCH(QString, scenario);
    QFETCH(bool, downloading);
    // A second once the program may end; the running tools get the quit delay to stop.
    const qint64 limit = 1000 + (downloading ? AppDelegate::quitDelay.count() : 0);

    QTemporaryDir dir;
    StandInTools tools;
    const QString runs = tools.file(u"runs"_s);
    QVERIFY(TestSupport::writeFile(tools.file(u"video.json"_s),
        R"({"id":"abcdefghijk","extractor":"youtube","title":"Un video","uploader":"Autor","duration":3,)"
        R"("formats":[{"format_id":"18","ext":"mp4","vcodec":"avc1.42001E","acodec":"mp4a.40.2","height":360}]})"));
    // It knows one video and downloads it forever, stuck half-way.
    tools.script(u"yt-dlp"_s,
        "case \" $* \" in\n*\" --version \"*) echo 2026.11.23 ;;\n*\" --dump-single-json \"*) echo analysis >> '"_ba
            + runs.toUtf8() + "'; cat '"_ba + tools.file(u"video.json"_s).toUtf8()
            + "' ;;\n*) echo download >> '"_ba + runs.toUtf8()
            + "'; echo 'BRISOMAR_PROGRESS: 50.0%|1.00MiB/s|00:10'; exec sleep 600 ;;\nesac"_ba);

    QProcessEnvironment environment = programEnvironment(dir);
    environment.insert(u"BRISOMAR_TOOLS_DIR"_s, tools.root());
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
    connect(&program, &QProcess::readyReadStandardOutput, this, [&] {
        if (program.readAllStandardOutput().contains("quitting\n") && quitting < 0)
            quitting = clock.elapsed();
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
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(quitting >= 0);
    QVERIFY2(ended - quitting <= limit, qPrintable(u"%1 ms"_s.arg(ended - quitting)));
    QCOMPARE(sessionProcesses(session), QStringList());

    const QSettings settings(dir.filePath(u"config/Brisomar/Brisomar.conf"_s), QSettings::IniFormat);
    QVERIFY(!settings.value(QLatin1StringView(AppDelegate::frameName)).toByteArray().isEmpty());
    const QList<DownloadJob> saved
        = DownloadJob::decodeHistory(TestSupport::readFile(dir.filePath(u"data/library.json"_s)))
              .value_or(QList<DownloadJob> {});
    if (!downloading) {
        QVERIFY(saved.isEmpty());
        return;
    }
    // The cancelled download may still report itself before the end (cancelled).
    QCOMPARE(saved.size(), 1);
    QVERIFY2(saved[0].state == JobState::interrupted || saved[0].state == JobState::cancelled,
        qPrintable(rawValue(saved[0].state)));
    // Neither the paste nor the click after "Cerrar app" started anything.
    QCOMPARE(TestSupport::readFile(runs), "analysis\ndownload\n"_ba);
}

void AppDelegateTest::programTakesASnapshot()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"window.png"_s);
    QProcess program;
    program.setProcessEnvironment(programEnvironment(dir));
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(BRISOMAR_PROGRAM), { u"--snapshot"_s, path });
    QVERIFY(program.waitForStarted());
    // The file may be seen while it is being written: wait for a whole picture.
    QTRY_VERIFY_WITH_TIMEOUT(!QImage(path).isNull(), 20000);
    QCOMPARE(QImage(path).size(), MainView::defaultSize);
    QCOMPARE(program.state(), QProcess::Running);
    program.terminate();
    QVERIFY(program.waitForFinished(10000));
}

QTEST_MAIN(AppDelegateTest)
#include "tst_appdelegate.moc"
