#include "AppHarness.h"
#include "AppUpdates.h"
#include "ControlledEngine.h"
#include "Pixels.h"
#include "SegmentedPicker.h"
#include "SettingsView.h"
#include "StubUpdater.h"
#include "SwitchButton.h"
#include "TestSupport.h"
#include "TextHelpers.h"
#include "Theme.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Kind = ControlledEngine::Kind;

namespace {

QString text(QWidget& root, const QString& name)
{
    QLabel* label = child<QLabel>(root, name);
    return label ? label->text() : QString();
}

QJsonObject storedPreferences(const AppHarness& harness)
{
    return QJsonDocument::fromJson(TestSupport::readFile(harness.data() + u"/preferences.json"_s)).object();
}

QVariantMap updateChannel()
{
    return { { u"BrisUpdatesEnabled"_s, true }, { u"SUFeedURL"_s, u"https://updates.example.com/appcast.xml"_s },
        { u"SUPublicEDKey"_s, QString::fromLatin1(QByteArray(32, 'k').toBase64()) },
        { u"CFBundleShortVersionString"_s, u"2.0.0"_s } };
}

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { Theme::instance().setPreferred(std::nullopt); }
    void changesAreStored_data();
    void changesAreStored();
    void clearCacheWaitsForTheRunningJob();
    void updatePanel_data();
    void updatePanel();
    void engineBlock();
};

void SettingsTest::changesAreStored_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("stored");

    QTest::newRow("light to Oscuro") << u"light"_s << u"dark"_s;
    QTest::newRow("dark to Claro") << u"dark"_s << u"light"_s;
    QTest::newRow("dark to Sistema") << u"dark"_s << u"system"_s;
}

void SettingsTest::changesAreStored()
{
    QFETCH(QString, before);
    QFETCH(QString, stored);

    AppHarness harness;
    {
        Preferences preferences;
        preferences.appearance = before;
        QVERIFY(TestSupport::writeFile(harness.data() + u"/preferences.json"_s, preferences.encode()));
    }
    AppModel& model = harness.open();
    model.setSettings(true);
    SettingsView view(&model);
    view.show();
    const ColorScheme first = before == u"dark"_s ? ColorScheme::dark : ColorScheme::light;
    QCOMPARE(Theme::instance().scheme(), first);
    // Opening the sheet writes nothing.
    QCOMPARE(storedPreferences(harness).value(u"appearance"_s).toString(), before);
    auto* appearance = child<SegmentedPicker>(view, u"appearancePicker"_s);
    QCOMPARE(appearance->value(), before);

    const int index = int(QStringList({ u"system"_s, u"dark"_s, u"light"_s }).indexOf(stored));
    QTest::mouseClick(appearance, Qt::LeftButton, {}, appearance->segmentRect(index).center());
    QCOMPARE(appearance->value(), stored);
    QCOMPARE(storedPreferences(harness).value(u"appearance"_s).toString(), stored);
    const ColorScheme now = stored == u"system"_s ? Theme::instance().systemScheme()
        : stored == u"dark"_s                     ? ColorScheme::dark
                                                  : ColorScheme::light;
    QCOMPARE(Theme::instance().scheme(), now);
    // The open sheet itself follows at once.
    const QImage sheet = view.grab().toImage();
    COMPARE_COLOR(sheet.pixelColor(3, sheet.height() - 3), windowBackground(now));

    auto* metadata = child<SwitchButton>(view, u"metadataSwitch"_s);
    QVERIFY(metadata->isChecked());
    QTest::mouseClick(metadata, Qt::LeftButton);
    QCOMPARE(storedPreferences(harness).value(u"metadata"_s).toBool(true), false);
    QVERIFY(!model.profile().metadata);
    QVERIFY(!metadata->isChecked());

    QTest::mouseClick(child<QPushButton>(view, u"done"_s), Qt::LeftButton);
    QVERIFY(!model.settings());
}

void SettingsTest::clearCacheWaitsForTheRunningJob()
{
    AppHarness harness;
    ControlledEngine& engine = *harness.engine;
    engine.cache = 5'000'000;
    engine.analyzeNow = [](const QString&) { return QList { testVideo(u"abcdefghijk"_s, { 720 }) }; };
    AppModel& model = harness.open();
    model.start();
    QTRY_VERIFY(model.engineReady());
    SettingsView view(&model);
    view.show();
    QCOMPARE(
        text(view, u"cacheSize"_s), bytesString(5'000'000) + u" · Evita bajar el mismo audio al cambiar de calidad."_s);
    auto* clear = child<QPushButton>(view, u"clearCache"_s);
    QVERIFY(clear->isEnabled());

    model.setLink(youtubeWatchURL(testVideo(u"abcdefghijk"_s, { 720 }).id));
    model.analyze();
    QTRY_VERIFY(model.info().has_value());
    model.enqueue();
    QTRY_COMPARE(engine.count(Kind::exportJob), 1);
    QVERIFY(model.active());
    QVERIFY(!clear->isEnabled());
    // Asked anyway, the model does nothing, not even a message.
    model.clearCache();
    QVERIFY(!model.banner());
    QCOMPARE(model.cacheSize(), 5'000'000);

    DownloadJob done = engine.call(Kind::exportJob, 0)->job;
    done.state = JobState::completed;
    engine.cache = 7'000'000;
    engine.call(Kind::exportJob, 0)->finish(done);
    QTRY_VERIFY(clear->isEnabled());
    QVERIFY(text(view, u"cacheSize"_s).startsWith(bytesString(7'000'000) + u" · "_s));

    QTest::mouseClick(clear, Qt::LeftButton);
    QVERIFY(text(view, u"cacheSize"_s).startsWith(bytesString(0) + u" · "_s));
    QCOMPARE(model.banner(), u"Caché de originales vaciada. Tus descargas se conservan."_s);
}

void SettingsTest::updatePanel_data()
{
    QTest::addColumn<bool>("configured");
    QTest::addColumn<bool>("canCheck");
    QTest::addColumn<QString>("status");

    QTest::newRow("no update channel") << false << false << u"El canal online todavía no está publicado."_s;
    QTest::newRow("channel, ready to check") << true << true << u"Actualizaciones verificadas de Quelmira Media."_s;
    QTest::newRow("channel, cannot check now") << true << false << u"Actualizaciones verificadas de Quelmira Media."_s;
}

void SettingsTest::updatePanel()
{
    QFETCH(bool, configured);
    QFETCH(bool, canCheck);
    QFETCH(QString, status);

    AppHarness harness;
    auto updater = std::make_unique<StubUpdater>();
    StubUpdater* stub = updater.get();
    stub->canCheck = canCheck;
    auto* updates = configured ? new AppUpdates(updateChannel(), std::move(updater), &harness.services)
                               : new AppUpdates(QVariantMap {}, nullptr, &harness.services);
    harness.open(updates).start();
    SettingsView view(harness.model.get());
    view.show();

    auto* check = child<QPushButton>(view, u"checkUpdates"_s);
    auto* automatic = child<SwitchButton>(view, u"automaticChecks"_s);
    QCOMPARE(text(view, u"updateStatus"_s), status);
    QCOMPARE(check->isEnabled(), !configured || canCheck);
    QCOMPARE(automatic->isVisibleTo(&view), configured);
    QCOMPARE(child<QWidget>(view, u"automaticNote"_s)->isVisibleTo(&view), configured);

    if (!configured) {
        QTest::mouseClick(check, Qt::LeftButton);
        QCOMPARE(harness.services.alerts.size(), 1);
        QCOMPARE(harness.services.alerts.first().message, u"Actualizaciones de Brisomar"_s);
        return;
    }
    QTest::mouseClick(automatic, Qt::LeftButton);
    QVERIFY(stub->automatic);
    QTRY_VERIFY(automatic->isChecked());
    if (canCheck) {
        QTest::mouseClick(check, Qt::LeftButton);
        QCOMPARE(stub->checks, 1);
    }
}

void SettingsTest::engineBlock()
{
    AppHarness harness;
    ControlledEngine& engine = *harness.engine;
    engine.versionsNow = nullptr;
    harness.open().start();
    SettingsView view(harness.model.get());
    view.show();
    auto* recheck = child<QPushButton>(view, u"recheckEngine"_s);
    QTRY_COMPARE(engine.count(Kind::versions), 1);
    QCOMPARE(recheck->text(), u"Comprobando…"_s);
    QVERIFY(!recheck->isEnabled());
    QCOMPARE(text(view, u"engineTitle"_s), u"Motor no disponible"_s);

    engine.call(Kind::versions, 0)->finish(BrisError::message(u"No se encontró yt-dlp."_s));
    QTRY_VERIFY(recheck->isEnabled());
    QCOMPARE(recheck->text(), u"Volver a comprobar"_s);
    QCOMPARE(text(view, u"engineTitle"_s), u"Motor no disponible"_s);
    QCOMPARE(text(view, u"engineDetail"_s), u"No se encontró yt-dlp."_s);

    QTest::mouseClick(recheck, Qt::LeftButton);
    QTRY_COMPARE(engine.count(Kind::versions), 2);
    QVERIFY(!recheck->isEnabled());
    engine.call(Kind::versions, 1)->finish(u"yt-dlp 2026.11.23\nffmpeg version 5.1"_s);
    QTRY_COMPARE(text(view, u"engineTitle"_s), u"Motor incluido y listo"_s);
    QCOMPARE(text(view, u"engineDetail"_s), u"yt-dlp 2026.11.23\nffmpeg version 5.1"_s);
    QVERIFY(recheck->isEnabled());
}

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
