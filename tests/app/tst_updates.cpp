#include "AppHarness.h"
#include "AppUpdates.h"
#include "StubUpdater.h"

using namespace Qt::Literals::StringLiterals;
using Kind = ControlledEngine::Kind;

namespace {

const QString feed = u"https://updates.example.com/feed.xml"_s;

QString keyOf(int bytes)
{
    return QString::fromLatin1(QByteArray(bytes, 'k').toBase64());
}

QVariantMap channel(const QVariant& enabled = true, const QVariant& url = feed, const QVariant& key = keyOf(32))
{
    QVariantMap info { { u"CFBundleShortVersionString"_s, u"2.0.1"_s } };
    for (const auto& [name, value] :
        { std::pair { u"BrisUpdatesEnabled"_s, enabled }, { u"SUFeedURL"_s, url }, { u"SUPublicEDKey"_s, key } })
        if (value.isValid())
            info.insert(name, value);
    return info;
}

} // namespace

class UpdatesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void configured_data();
    void configured();
    void startFailure();
    void busyQueueHoldsChecksAndInstalls();
    void analysisAndPendingJobsCountAsBusy();
};

void UpdatesTest::configured_data()
{
    QTest::addColumn<QVariantMap>("info");
    QTest::addColumn<bool>("configured");

    QTest::newRow("all three keys") << channel() << true;
    QTest::newRow("switched off") << channel(false) << false;
    QTest::newRow("switch as text") << channel(u"true"_s) << false;
    QTest::newRow("no switch") << channel(QVariant()) << false;
    QTest::newRow("http feed") << channel(true, u"http://updates.example.com/feed.xml"_s) << false;
    QTest::newRow("HTTPS in capitals") << channel(true, u"HTTPS://updates.example.com/f"_s) << false;
    QTest::newRow("feed without a host") << channel(true, u"https:///feed.xml"_s) << false;
    QTest::newRow("no feed") << channel(true, QVariant()) << false;
    QTest::newRow("key of 31 bytes") << channel(true, feed, keyOf(31)) << false;
    QTest::newRow("key of 33 bytes") << channel(true, feed, keyOf(33)) << false;
    QTest::newRow("key that is no Base64")
        << channel(true, feed, u"not*base64*at*all*but*long*enough*to*pass"_s) << false;
}

void UpdatesTest::configured()
{
    QFETCH(QVariantMap, info);
    QFETCH(bool, configured);

    QCOMPARE(AppUpdates(info, std::make_unique<StubUpdater>(), nullptr).configured(), configured);
    // Without an updater to drive there is no channel, whatever the keys say.
    QVERIFY(!AppUpdates(info, nullptr, nullptr).configured());
}

void UpdatesTest::startFailure()
{
    auto failing = std::make_unique<StubUpdater>();
    failing->startError = u"falta la clave"_s;
    AppUpdates updates(channel(), std::move(failing), nullptr);
    updates.start();
    QCOMPARE(updates.status(), u"No se pudo iniciar el actualizador: falta la clave"_s);
}

// Neither a check nor a relaunch into the new version may cut a download short.
void UpdatesTest::busyQueueHoldsChecksAndInstalls()
{
    auto owned = std::make_unique<StubUpdater>();
    StubUpdater* updater = owned.get();
    AppUpdates updates(channel(), std::move(owned), nullptr);
    updates.setInstallPollInterval(std::chrono::milliseconds(20));
    bool busy = true;
    updates.setIsBusy([&] { return busy; });
    updates.start();

    updates.check();
    QCOMPARE(updater->checks, 0);
    QCOMPARE(updates.status(), u"Esperá a que termine la cola antes de buscar actualizaciones."_s);
    QCOMPARE(updater->scheduledCheck(),
        (UpdateRefusal {
            u"com.brisomar.updates"_s, 1, u"Brisomar terminará las descargas antes de comprobar actualizaciones."_s }));
    int relaunches = 0;
    QVERIFY(updater->updateReady([&] { ++relaunches; }));
    QVERIFY(updates.installPending());
    QVERIFY(!QTest::qWaitFor([&] { return relaunches > 0; }, 200));

    busy = false;
    QTRY_COMPARE(relaunches, 1);
    QVERIFY(!updates.installPending());
    updates.check();
    QCOMPARE(updater->checks, 1);
    QCOMPARE(updater->scheduledCheck(), std::nullopt);
    QVERIFY(!updater->updateReady([&] { ++relaunches; }));
}

void UpdatesTest::analysisAndPendingJobsCountAsBusy()
{
    AppHarness harness;
    auto owned = std::make_unique<StubUpdater>();
    StubUpdater* updater = owned.get();
    AppModel& model = harness.open(new AppUpdates(channel(), std::move(owned), &harness.services));
    model.start();
    QTRY_VERIFY(model.engineReady());
    QVERIFY(!updater->scheduledCheck());

    model.setLink(linkOf(testVideo(u"aaaaaaaaaaa"_s)));
    model.analyze();
    QVERIFY(updater->scheduledCheck());
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
