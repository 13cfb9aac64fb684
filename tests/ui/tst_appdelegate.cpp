#include "AppDelegate.h"
#include "AppHarness.h"
#include "AppUpdates.h"
#include "FocusLinkNotifier.h"
#include "MainView.h"
#include "MainWindow.h"
#include "PlainButton.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Kind = ControlledEngine::Kind;

namespace {

// The application over the controllable engine, with the desktop played by the
// test: it records what the model asked, and ending the application is noted
// instead of done.
struct Application
{
    AppHarness harness;
    FakeDesktopServices* services = nullptr;
    std::unique_ptr<AppDelegate> delegate;
    int exits = 0;
    QList<QString> alerts;
    AppDelegate::QuitChoice answer = AppDelegate::QuitChoice::keepDownloading;

    Application()
    {
        auto fake = std::make_unique<FakeDesktopServices>();
        services = fake.get();
        delegate = std::make_unique<AppDelegate>(QStringList { u"brisomar"_s }, harness.engine, std::move(fake));
        delegate->setExit([this] { ++exits; });
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
    void closingTheWindowQuits();
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
    QCOMPARE(app.exits, exits);
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
    QCOMPARE(app.exits, 0);
    for (const DownloadJob& job : app.saved())
        QCOMPARE(job.state, JobState::interrupted);
    QCOMPARE(app.saved().size(), 2);
    QVERIFY(app.harness.engine->call(Kind::exportJob, 0)->token->cancelled());
    // A second request while waiting asks nothing more.
    app.delegate->quit();
    QCOMPARE(app.alerts.size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(app.exits, 1, 5000);
    const qint64 waited = clock.elapsed();
    QVERIFY2(waited >= AppDelegate::quitDelay.count() - 50 && waited < AppDelegate::quitDelay.count() + 1500,
        qPrintable(QString::number(waited)));
}

void AppDelegateTest::closingTheWindowQuits()
{
    Application app;
    QVERIFY(app.launch());
    QVERIFY(app.enqueue(u"queuedaaaaa"_s));
    app.answer = AppDelegate::QuitChoice::keepDownloading;
    QVERIFY(!app.delegate->window()->close());
    QCOMPARE(app.alerts.size(), 1);
    QVERIFY(app.delegate->window()->isVisible());
    QCOMPARE(app.exits, 0);

    app.answer = AppDelegate::QuitChoice::closeApp;
    app.delegate->window()->close();
    QTRY_COMPARE_WITH_TIMEOUT(app.exits, 1, 5000);
}

void AppDelegateTest::programTakesASnapshot()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"window.png"_s);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"BRISOMAR_DATA_DIR"_s, dir.filePath(u"data"_s));
    environment.insert(u"BRISOMAR_DOWNLOAD_DIR"_s, dir.filePath(u"Descargas"_s));
    environment.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
    environment.remove(u"QT_MEDIA_BACKEND"_s);
    program.setProcessEnvironment(environment);
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
