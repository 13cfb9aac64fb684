#include "SegmentedPicker.h"
#include "SettingsView.h"
#include "SwitchButton.h"
#include "TextFormatting.h"
#include "Theme.h"
#include "Window.h"

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;
using namespace Window;
using Kind = ControlledEngine::Kind;

namespace {

QJsonObject storedPreferences(const AppHarness& harness)
{
    return QJsonDocument::fromJson(TestSupport::readFile(harness.data() + u"/preferences.json"_s)).object();
}

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { Theme::instance().setPreferred(std::nullopt); }

    // Light read at the start, then Oscuro and Sistema clicked: each is stored
    // and takes effect at once; so is the metadata switch.
    void changesAreStored()
    {
        Open<SettingsView> sheet;
        Preferences preferences;
        preferences.appearance = Appearance::light;
        QVERIFY(TestSupport::writeFile(sheet.harness.data() + u"/preferences.json"_s, preferences.encode()));
        QVERIFY(sheet.open());
        QCOMPARE(Theme::instance().scheme(), ColorScheme::light);
        auto* appearance = child<SegmentedPicker>(*sheet.view, u"appearancePicker"_s);
        for (const auto& [index, stored, scheme] : { std::tuple { 1, u"dark"_s, ColorScheme::dark },
                 std::tuple { 0, u"system"_s, Theme::instance().systemScheme() } }) {
            QTest::mouseClick(appearance, Qt::LeftButton, {}, appearance->segmentRect(index).center());
            QCOMPARE(storedPreferences(sheet.harness).value(u"appearance"_s).toString(), stored);
            QCOMPARE(Theme::instance().scheme(), scheme);
        }
        auto* metadata = child<SwitchButton>(*sheet.view, u"metadataSwitch"_s);
        QTest::mouseClick(metadata, Qt::LeftButton);
        QVERIFY(!metadata->isChecked() && !sheet.model().profile().metadata);
        QCOMPARE(storedPreferences(sheet.harness).value(u"metadata"_s).toBool(true), false);
        auto* keep = child<SwitchButton>(*sheet.view, u"keepEngineCurrent"_s);
        QVERIFY(keep->isChecked());
        QTest::mouseClick(keep, Qt::LeftButton);
        QCOMPARE(storedPreferences(sheet.harness).value(u"keepEngineCurrent"_s).toBool(true), false);
    }

    // Looking for a new engine under a pending download is refused in words,
    // and the button is free again at once.
    void engineRefreshWaitsForTheQueue()
    {
        Open<SettingsView> sheet;
        QVERIFY(sheet.open());
        auto* refresh = child<QPushButton>(*sheet.view, u"refreshEngine"_s);
        QCOMPARE(refresh->text(), u"Actualizar motor"_s);
        QCOMPARE(text(*sheet.view, u"engineVersions"_s), u"yt-dlp 2025.11.12 · node 24.22.3 · incluido"_s);
        QVERIFY(!shown(*sheet.view, u"rollBackEngine"_s));
        QVERIFY(sheet.harness.enqueue(u"abcdefghijk"_s, u"Uno"_s));
        QTest::mouseClick(refresh, Qt::LeftButton);
        QCOMPARE(text(*sheet.view, u"engineRefreshStatus"_s),
            u"Esperá a que termine la cola antes de buscar actualizaciones."_s);
        QVERIFY(refresh->isEnabled() && refresh->text() == u"Actualizar motor"_s);
    }

    // The cache is not emptied under a running download: the button waits for its end.
    void clearCacheWaitsForTheRunningJob()
    {
        Open<SettingsView> sheet;
        ControlledEngine& engine = *sheet.harness.engine;
        engine.cache = 5'000'000;
        QVERIFY(sheet.open());
        const auto cache = [&] { return text(*sheet.view, u"cacheSize"_s).section(u" · "_s, 0, 0); };
        QCOMPARE(text(*sheet.view, u"cacheSize"_s),
            bytesString(5'000'000) + u" · Evita bajar el mismo audio al cambiar de calidad."_s);
        auto* clear = child<QPushButton>(*sheet.view, u"clearCache"_s);
        QVERIFY(clear->isEnabled() && sheet.harness.enqueue(u"abcdefghijk"_s, u"Uno"_s));
        QTRY_COMPARE(engine.count(Kind::exportJob), 1);
        QVERIFY(!clear->isEnabled());
        sheet.model().clearCache();
        QVERIFY(!sheet.model().banner());
        QCOMPARE(sheet.model().cacheSize(), 5'000'000);

        DownloadJob done = engine.call(Kind::exportJob, 0)->job;
        done.state = JobState::completed;
        engine.cache = 7'000'000;
        engine.call(Kind::exportJob, 0)->finish(done);
        QTRY_VERIFY(clear->isEnabled());
        QCOMPARE(cache(), bytesString(7'000'000));

        // Emptied off the interface thread: one emptying at a time, and no job
        // starts until it has ended.
        engine.holdClearing = true;
        QTest::mouseClick(clear, Qt::LeftButton);
        QTRY_COMPARE(engine.count(Kind::clearCache), 1);
        QVERIFY(!clear->isEnabled());
        sheet.model().clearCache();
        QVERIFY(sheet.harness.enqueue(u"bcdefghijkl"_s, u"Dos"_s));
        QCOMPARE(sheet.model().jobs().last().state, JobState::queued);
        QCOMPARE(engine.count(Kind::clearCache), 1);
        engine.call(Kind::clearCache, 0)->finish(QString());
        QTRY_COMPARE(engine.count(Kind::exportJob), 2);
        QCOMPARE(cache(), bytesString(0));
        QCOMPARE(sheet.model().banner(), u"Caché de originales vaciada. Tus descargas se conservan."_s);
    }
};

WINDOW_TEST(SettingsTest);
#include "tst_settings.moc"
