#include "FocusLinkNotifier.h"
#include "NewDownloadView.h"
#include "PlainButton.h"
#include "SegmentedPicker.h"
#include "Theme.h"
#include "Window.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;
using namespace Window;
using Kind = ControlledEngine::Kind;

namespace {

// The contrast ratio of two opaque colours, as accessibility guidelines define it.
double contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double x = luminance(a);
    const double y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// Text drawn in `area`: its fill (the commonest colour) and its ink (the
// colour that stands out most from it, at the glyphs' cores).
std::pair<QColor, QColor> fillAndInk(const QImage& area)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            ++counts[area.pixel(x, y)];
    const QColor fill(std::max_element(counts.cbegin(), counts.cend()).key());
    QColor ink = fill;
    for (const QRgb colour : counts.keys())
        if (contrast(QColor(colour), fill) > contrast(ink, fill))
            ink = QColor(colour);
    return { fill, ink };
}

} // namespace

class NewDownloadTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { Theme::instance().setPreferred(std::nullopt); }

    // Over the real engine: what the analyse, clear and download buttons offer.
    // The analysis is started with Return.
    void enabling_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("visible"); // the shown parts, then whether analyse and download are enabled

        QTest::newRow("engine check failed, link typed") << u"failed"_s << u"analyze clearLink|--"_s;
        QTest::newRow("engine ready, one blank typed") << u"blank"_s << u"analyze clearLink|+-"_s;
        QTest::newRow("analysing") << u"analysing"_s << u"cancelAnalysis analyzingLine clearLink|+-"_s;
        // One video: no chooser, its card instead.
        QTest::newRow("one video analysed") << u"analysed"_s << u"analyze clearLink videoCard|++"_s;
    }

    void enabling()
    {
        QFETCH(QString, state);
        QFETCH(QString, visible);

        AppHarness harness;
        if (state == u"failed"_s)
            harness.tools.remove(u"yt-dlp"_s);
        else if (state == u"analysing"_s)
            harness.hangAnalysis();
        else
            harness.serve(TestSupport::offlinePost(harness.clip(), 1));
        QVERIFY(harness.openStarted());
        QCOMPARE(harness.model->engineReady(), state != u"failed"_s);
        NewDownloadView view(harness.model.get());
        view.resize(880, 1000);
        view.show();

        QLineEdit* field = view.linkField();
        QTest::keyClicks(field, state == u"blank"_s ? u" "_s : TestSupport::postLink());
        if (state == u"analysing"_s || state == u"analysed"_s)
            QTest::keyClick(field, Qt::Key_Return);
        if (state == u"analysed"_s)
            QTRY_VERIFY_WITH_TIMEOUT(harness.model->info().has_value(), 20000);
        if (state == u"analysing"_s)
            QTRY_VERIFY(QFile::exists(harness.analysisPid()));
        const qint64 analysis = TestSupport::readFile(harness.analysisPid()).trimmed().toLongLong();

        QStringList seen;
        for (const QString& name :
            { u"analyze"_s, u"cancelAnalysis"_s, u"analyzingLine"_s, u"clearLink"_s, u"chooser"_s, u"videoCard"_s })
            if (shown(view, name))
                seen.append(name);
        const auto on = [&](const QString& name) { return child(view, name)->isEnabled() ? u'+' : u'-'; };
        QCOMPARE(seen.join(u' ') + u'|' + on(u"analyze"_s) + on(u"download"_s), visible);
        if (state != u"analysing"_s)
            return;
        // Clearing the link stops the analysis's tool itself, not only the screen.
        child<PlainButton>(view, u"clearLink"_s)->click();
        QVERIFY(!harness.model->analyzing() && harness.model->link().isEmpty() && field->text().isEmpty());
        QVERIFY(!shown(view, u"clearLink"_s) && shown(view, u"analyze"_s));
        QTRY_VERIFY_WITH_TIMEOUT(TestSupport::processEnded(analysis), 5000);
        QVERIFY(!harness.model->banner());
    }

    // What each kind and format offers before any analysis: its qualities and
    // the chosen one, and its note.
    void qualities_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("offered"); // qualities|chosen|note

        QTest::newRow("MP3 rates, snapped to 192")
            << u"MP3 · universal"_s
            << u"128 kbps, 192 kbps · equilibrado, 256 kbps, 320 kbps|192 kbps · "
               u"equilibrado|"_s;
        QTest::newRow("Opus rates, 96 kept")
            << u"Opus · eficiente"_s << u"96 kbps, 128 kbps, 160 kbps, 192 kbps · equilibrado|96 kbps|"_s;
        QTest::newRow("FLAC has no rates") << u"FLAC · sin pérdida adicional"_s << u"||Sin pérdida adicional"_s;
        // The profile's own height as an ordinary entry, not a faint placeholder.
        QTest::newRow("MP4")
            << u"MP4 · compatible con Mac"_s
            << u"Máxima disponible, Hasta 1080p|Hasta 1080p|MP4 usa H.264 y AAC para reproducirse en Mac."_s;
        QTest::newRow("MKV")
            << u"MKV · máxima calidad disponible"_s
            << u"Máxima disponible, Hasta 1080p|Hasta 1080p|MKV conserva los códecs del origen. Usá VLC "
               u"u otro reproductor compatible."_s;
    }

    void qualities()
    {
        QFETCH(QString, format);
        QFETCH(QString, offered);

        Open<NewDownloadView> screen;
        QVERIFY(screen.open());
        NewDownloadView& view = *screen.view;
        pick(view, u"formatPicker"_s, title(AudioFormat::opus));
        pick(view, u"qualityPicker"_s, u"96 kbps"_s);
        auto* kind = child<SegmentedPicker>(view, u"kindPicker"_s);
        const bool video = format.startsWith(u"MP4"_s) || format.startsWith(u"MKV"_s);
        if (video)
            QTest::mouseClick(kind, Qt::LeftButton, {}, kind->segmentRect(1).center());
        pick(view, u"formatPicker"_s, format);
        auto* quality = child<QComboBox>(view, u"qualityPicker"_s);
        QStringList items;
        for (int i = 0; i < quality->count(); ++i)
            items.append(quality->itemText(i));
        QCOMPARE(items.join(u", "_s) + u'|' + (shown(view, u"qualityPicker"_s) ? quality->currentText() : QString())
                + u'|'
                + (video                                 ? text(view, u"hint"_s)
                        : shown(view, u"fixedQuality"_s) ? text(view, u"fixedQuality"_s)
                                                         : QString()),
            offered);
        QCOMPARE(child<QPushButton>(view, u"download"_s)->text(), video ? u"Descargar video"_s : u"Descargar audio"_s);
    }

    void linkFieldReadable_data()
    {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::addColumn<QString>("text");
        for (const auto& [scheme, name] :
            { std::pair { ColorScheme::dark, "dark" }, std::pair { ColorScheme::light, "light" } }) {
            QTest::addRow("%s, a typed link", name) << scheme << TestSupport::postLink();
            QTest::addRow("%s, the placeholder", name) << scheme << QString();
        }
    }

    // The link field's text and placeholder, as drawn, against the field's fill.
    void linkFieldReadable()
    {
        QFETCH(ColorScheme, scheme);
        QFETCH(QString, text);

        Open<NewDownloadView> screen;
        QVERIFY(screen.open({}, QSize(880, 1000)));
        NewDownloadView& view = *screen.view;
        // Switched while shown, as the appearance preference does.
        Theme::instance().setPreferred(scheme);
        QCoreApplication::processEvents();
        QTest::keyClicks(view.linkField(), text);
        // Without the text cursor, which is drawn in another way than the text.
        view.linkField()->clearFocus();
        const QRect field(view.linkField()->mapTo(&view, QPoint()), view.linkField()->size());
        const auto [fill, ink] = fillAndInk(view.grab().toImage().copy(field));
        QVERIFY2(contrast(ink, fill) >= 4.5,
            qPrintable(u"%1 on %2: %3:1"_s.arg(ink.name(), fill.name()).arg(contrast(ink, fill), 0, 'f', 2)));
    }
};

WINDOW_TEST(NewDownloadTest);
#include "tst_newdownload.moc"
