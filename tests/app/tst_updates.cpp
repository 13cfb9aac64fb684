#include "AppHarness.h"
#include "ApplicationInfo.h"
#include "AppUpdates.h"
#include "StubUpdater.h"

using namespace Qt::Literals::StringLiterals;
using Kind = ControlledEngine::Kind;

namespace {

QVariantMap channel(const QVariant& enabled, const QVariant& feed, const QVariant& key)
{
    QVariantMap info { { u"CFBundleShortVersionString"_s, u"2.0.1"_s } };
    for (const auto& [name, value] :
        { std::pair { u"BrisUpdatesEnabled"_s, enabled }, { u"SUFeedURL"_s, feed }, { u"SUPublicEDKey"_s, key } })
        if (value.isValid())
            info.insert(name, value);
    return info;
}

const QString key32 = QString::fromLatin1(QByteArray(32, 'k').toBase64());
const QVariantMap configuredInfo = channel(true, u"https://updates.example.com/feed.xml"_s, key32);

const QString verified = u"Actualizaciones verificadas de Quelmira Media."_s;
const QString waitForQueue = u"Esperá a que termine la cola antes de buscar actualizaciones."_s;

} // namespace

class UpdatesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void configured_data();
    void configured();
    void unconfiguredChannel();
    void startOnceAndItsFailure();
    void checksAndTheBusyVeto();
    void postponedInstall();
    void analysisAndPendingJobsCountAsBusy();
};

void UpdatesTest::configured_data()
{
    QTest::addColumn<QVariantMap>("info");
    QTest::addColumn<bool>("configured");

    const QString feed = u"https://updates.example.com/feed.xml"_s;
    auto keyOf = [](int bytes) { return QString::fromLatin1(QByteArray(bytes, 'k').toBase64()); };
    QTest::newRow("all three keys") << configuredInfo << true;
    QTest::newRow("switched off") << channel(false, feed, key32) << false;
    QTest::newRow("switch as text") << channel(u"true"_s, feed, key32) << false;
    QTest::newRow("no switch") << channel({}, feed, key32) << false;
    QTest::newRow("http feed") << channel(true, u"http://updates.example.com/feed.xml"_s, key32) << false;
    QTest::newRow("HTTPS in capitals") << channel(true, u"HTTPS://updates.example.com/f"_s, key32) << false;
    QTest::newRow("feed without a host") << channel(true, u"https:///feed.xml"_s, key32) << false;
    QTest::newRow("no feed") << channel(true, {}, key32) << false;
    QTest::newRow("key of 31 bytes") << channel(true, feed, keyOf(31)) << false;
    QTest::newRow("key of 33 bytes") << channel(true, feed, keyOf(33)) << false;
    QTest::newRow("key that is no Base64")
        << channel(true, feed, u"not*base64*at*all*but*long*enough*to*pass"_s) << false;
}

void UpdatesTest::configured()
{
    QFETCH(QVariantMap, info);
    QFETCH(bool, configured);

    QCOMPARE(AppUpdates::keysConfigured(info), configured);
    QCOMPARE(AppUpdates(info, std::make_unique<StubUpdater>(), nullptr).configured(), configured);
    // Without an updater to drive there is no channel, whatever the keys say.
    QVERIFY(!AppUpdates(info, nullptr, nullptr).configured());
}

void UpdatesTest::unconfiguredChannel()
{
    // The default build: compiled information with updates off and no updater.
    QCOMPARE(applicationInfo().value(u"BrisUpdatesEnabled"_s), QVariant(false));
    FakeDesktopServices services;
    AppUpdates updates(&services);
    QCOMPARE(updates.version(), QStringLiteral(BRISOMAR_VERSION));
    updates.start();
    QVERIFY(!updates.canCheck());
    QCOMPARE(updates.status(), u"El canal online todavía no está publicado."_s);
    updates.check();
    QCOMPARE(services.alerts.size(), 1);
    QCOMPARE(services.alerts[0].message, u"Actualizaciones de Brisomar"_s);
    QCOMPARE(services.alerts[0].button, u"Entendido"_s);
}

void UpdatesTest::startOnceAndItsFailure()
{
    auto owned = std::make_unique<StubUpdater>();
    StubUpdater* updater = owned.get();
    AppUpdates updates(configuredInfo, std::move(owned), nullptr);
    updates.start();
    updates.start();
    QCOMPARE(updater->starts, 1);
    QCOMPARE(updates.status(), verified);
    QVERIFY(updates.canCheck());
    QCOMPARE(updates.version(), u"2.0.1"_s);
    updates.setAutomatic(true);
    QTRY_VERIFY(updates.automaticChecks());

    auto failing = std::make_unique<StubUpdater>();
    failing->startError = u"falta la clave"_s;
    AppUpdates broken(configuredInfo, std::move(failing), nullptr);
    broken.start();
    QCOMPARE(broken.status(), u"No se pudo iniciar el actualizador: falta la clave"_s);
}

void UpdatesTest::checksAndTheBusyVeto()
{
    auto owned = std::make_unique<StubUpdater>();
    StubUpdater* updater = owned.get();
    AppUpdates updates(configuredInfo, std::move(owned), nullptr);
    bool busy = true;
    updates.setIsBusy([&] { return busy; });
    updates.start();

    updates.check();
    QCOMPARE(updater->checks, 0);
    QCOMPARE(updates.status(), waitForQueue);
    const UpdateRefusal refusal { u"com.brisomar.updates"_s, 1,
        u"Brisomar terminará las descargas antes de comprobar actualizaciones."_s };
    QCOMPARE(updater->scheduledCheck(), refusal);

    busy = false;
    updates.check();
    QCOMPARE(updater->checks, 1);
    QCOMPARE(updater->scheduledCheck(), std::nullopt);
}

void UpdatesTest::postponedInstall()
{
    auto owned = std::make_unique<StubUpdater>();
    StubUpdater* updater = owned.get();
    AppUpdates updates(configuredInfo, std::move(owned), nullptr);
    updates.setInstallPollInterval(std::chrono::milliseconds(20));
    bool busy = false;
    updates.setIsBusy([&] { return busy; });
    updates.start();

    int relaunches = 0;
    QVERIFY(!updater->updateReady([&] { ++relaunches; }));

    busy = true;
    QVERIFY(updater->updateReady([&] { ++relaunches; }));
    QVERIFY(updates.installPending());
    // Ten looks at a busy queue, none of which may relaunch.
    QVERIFY(!QTest::qWaitFor([&] { return relaunches > 0; }, 200));
    busy = false;
    QTRY_COMPARE(relaunches, 1);
    QVERIFY(!updates.installPending());
}

void UpdatesTest::analysisAndPendingJobsCountAsBusy()
{
    AppHarness harness;
    auto owned = std::make_unique<StubUpdater>();
    StubUpdater* updater = owned.get();
    harness.model = std::make_unique<AppModel>(
        harness.engine, &harness.services, new AppUpdates(configuredInfo, std::move(owned), &harness.services));
    AppModel& model = *harness.model;
    model.start();
    QTRY_VERIFY(model.engineReady());
    QVERIFY(!updater->scheduledCheck());

    model.setLink(linkOf(testVideo(u"aaaaaaaaaaa"_s)));
    model.analyze();
    model.updates()->check();
    QCOMPARE(model.updates()->status(), waitForQueue);
    QTRY_COMPARE(harness.engine->count(Kind::analyze), 1);
    harness.engine->call(Kind::analyze, 0)->finish(QList { testVideo(u"aaaaaaaaaaa"_s) });
    QTRY_VERIFY(!model.analyzing());
    QVERIFY(!updater->scheduledCheck());

    model.enqueue();
    QVERIFY(updater->scheduledCheck());
    model.cancel(model.jobs().first());
    QTRY_VERIFY(!model.active());
    QVERIFY(!updater->scheduledCheck());
}

QTEST_GUILESS_MAIN(UpdatesTest)
#include "tst_updates.moc"
