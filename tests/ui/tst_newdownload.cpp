#include "AppHarness.h"
#include "AppModel.h"
#include "CandidateRow.h"
#include "ControlledEngine.h"
#include "FocusLinkNotifier.h"
#include "JobRow.h"
#include "NewDownloadView.h"
#include "OpenedUrls.h"
#include "Pixels.h"
#include "PlainButton.h"
#include "SegmentedPicker.h"
#include "TestSupport.h"
#include "Theme.h"
#include "VideoCard.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;
using Kind = ControlledEngine::Kind;

namespace {

bool shown(QWidget& root, const QString& name)
{
    QWidget* widget = child<QWidget>(root, name);
    return widget && widget->isVisibleTo(&root);
}

bool hasText(QWidget& root, const QString& text)
{
    const QList<QLabel*> labels = root.findChildren<QLabel*>();
    return std::any_of(labels.cbegin(), labels.cend(), [&](const QLabel* label) { return label->text() == text; });
}

QStringList items(const QComboBox* picker)
{
    QStringList texts;
    for (int i = 0; i < picker->count(); ++i)
        texts.append(picker->itemText(i));
    return texts;
}

void pick(QComboBox* picker, const QString& text)
{
    const int index = picker->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    picker->setCurrentIndex(index);
    Q_EMIT picker->activated(index);
}

} // namespace

class NewDownloadTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void enabling_data();
    void enabling();
    void clearDuringAnalysis();
    void chooserOfThreeVideos();
    void audioQualities_data();
    void audioQualities();
    void videoLadder();
    void runningJobReplacesTheTiles();
    void focusRequest();
    void linkFieldReadable_data();
    void linkFieldReadable();
};

void NewDownloadTest::enabling_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("analyzeEnabled");
    QTest::addColumn<bool>("clearShown");
    QTest::addColumn<bool>("analyzing");
    QTest::addColumn<bool>("downloadEnabled");

    QTest::newRow("engine check failed, link typed") << u"failed"_s << false << true << false << false;
    QTest::newRow("engine ready, empty link") << u"empty"_s << false << false << false << false;
    QTest::newRow("engine ready, one blank typed") << u"blank"_s << true << true << false << false;
    // Hidden behind "Cancelar", by the same rule as ever.
    QTest::newRow("analysing") << u"analysing"_s << true << true << true << false;
    QTest::newRow("one video analysed") << u"analysed"_s << true << true << false << true;
}

void NewDownloadTest::enabling()
{
    QFETCH(QString, state);
    QFETCH(bool, analyzeEnabled);
    QFETCH(bool, clearShown);
    QFETCH(bool, analyzing);
    QFETCH(bool, downloadEnabled);

    AppHarness harness;
    if (state == u"failed"_s) {
        harness.tools.remove(u"yt-dlp"_s);
        QVERIFY(harness.openStarted());
        QVERIFY(!harness.model->engineReady());
    } else {
        if (state == u"analysing"_s)
            harness.hangAnalysis();
        else
            harness.serve(TestSupport::offlinePost(harness.clip(), 1));
        QVERIFY(harness.openStarted());
        QVERIFY(harness.model->engineReady());
    }
    NewDownloadView view(harness.model.get());
    view.resize(880, 1000);
    view.show();

    QLineEdit* field = view.linkField();
    if (state == u"blank"_s)
        QTest::keyClicks(field, u" "_s);
    else if (state != u"empty"_s)
        QTest::keyClicks(field, TestSupport::postLink());
    QCOMPARE(harness.model->link(), field->text());
    if (state == u"analysing"_s || state == u"analysed"_s)
        QTest::keyClick(field, Qt::Key_Return);
    if (state == u"analysed"_s)
        QTRY_VERIFY_WITH_TIMEOUT(harness.model->info().has_value(), 20000);
    if (state == u"analysing"_s)
        QTRY_VERIFY(QFile::exists(harness.analysisPid()));

    auto* analyze = child<QPushButton>(view, u"analyze"_s);
    QCOMPARE(shown(view, u"analyze"_s), !analyzing);
    QCOMPARE(analyze->isEnabled(), analyzeEnabled);
    QCOMPARE(shown(view, u"cancelAnalysis"_s), analyzing);
    QCOMPARE(shown(view, u"analyzingLine"_s), analyzing);
    QCOMPARE(shown(view, u"clearLink"_s), clearShown);
    QCOMPARE(child<QPushButton>(view, u"download"_s)->isEnabled(), downloadEnabled);
    // One video: no chooser, its card instead.
    QVERIFY(!shown(view, u"chooser"_s));
    QCOMPARE(shown(view, u"videoCard"_s), state == u"analysed"_s);
}

void NewDownloadTest::clearDuringAnalysis()
{
    AppHarness harness;
    harness.hangAnalysis();
    QVERIFY(harness.openStarted());
    NewDownloadView view(harness.model.get());
    view.show();
    QTest::keyClicks(view.linkField(), TestSupport::postLink());
    QTest::mouseClick(child<QPushButton>(view, u"analyze"_s), Qt::LeftButton);
    QTRY_VERIFY(QFile::exists(harness.analysisPid()));
    const qint64 pid = TestSupport::readFile(harness.analysisPid()).trimmed().toLongLong();
    QVERIFY(shown(view, u"cancelAnalysis"_s));

    child<PlainButton>(view, u"clearLink"_s)->click();
    QVERIFY(!harness.model->analyzing());
    QVERIFY(harness.model->link().isEmpty());
    QVERIFY(view.linkField()->text().isEmpty());
    QVERIFY(!shown(view, u"clearLink"_s));
    QVERIFY(!shown(view, u"videoCard"_s));
    QVERIFY(shown(view, u"analyze"_s));
    // The tool itself is stopped, not left running behind the screen.
    QTRY_VERIFY_WITH_TIMEOUT(TestSupport::processEnded(pid), 5000);
    QVERIFY(!harness.model->banner());
}

void NewDownloadTest::chooserOfThreeVideos()
{
    AppHarness harness;
    harness.serve(TestSupport::offlinePost(harness.clip(), 3, { 240 }, { 65, 125, 185 }));
    QVERIFY(harness.openStarted());
    NewDownloadView view(harness.model.get());
    view.resize(880, 1200);
    view.show();
    harness.services.clipboard = TestSupport::postLink() + u"\n"_s;
    child<PlainButton>(view, u"pasteLink"_s)->click();
    QCOMPARE(view.linkField()->text(), TestSupport::postLink());
    QTRY_VERIFY_WITH_TIMEOUT(shown(view, u"chooser"_s), 20000);

    QCOMPARE(child<QLabel>(view, u"chooserTitle"_s)->text(), u"Esta publicación tiene 3 videos"_s);
    QList<CandidateRow*> rows;
    for (int i = 1; i <= 3; ++i)
        rows.append(child<CandidateRow>(view, u"candidate-%1"_s.arg(i)));
    QCOMPARE(rows[0]->caption(), u"1. Clip 1"_s);
    QCOMPARE(rows[2]->caption(), u"3. Clip 3"_s);
    QCOMPARE(rows[1]->findChild<QLabel*>(u"candidateDuration"_s)->text(), u"2:05"_s);
    for (CandidateRow* row : rows)
        QCOMPARE(row->markSymbol(), u"circle"_s);
    QVERIFY(!shown(view, u"videoCard"_s));
    QVERIFY(!child<QPushButton>(view, u"download"_s)->isEnabled());

    QTest::mouseClick(rows[1], Qt::LeftButton);
    QCOMPARE(harness.model->info()->id, u"102"_s);
    QCOMPARE(rows[1]->markSymbol(), u"checkmark.circle.fill"_s);
    QCOMPARE(rows[0]->markSymbol(), u"circle"_s);
    QVERIFY(shown(view, u"videoCard"_s));
    QCOMPARE(child<QLabel>(view, u"videoTitle"_s)->text(), u"Clip 2"_s);
    QCOMPARE(child<QLabel>(view, u"videoSource"_s)->text(), u"Instagram · Brisomar"_s);
    QVERIFY(child<QPushButton>(view, u"download"_s)->isEnabled());
    QVERIFY(!shown(view, u"featureTiles"_s));

    OpenedUrls catcher;
    QDesktopServices::setUrlHandler(u"https"_s, &catcher, "open");
    QTest::mouseClick(child<QPushButton>(view, u"openPage"_s), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(u"https"_s);
    QCOMPARE(catcher.urls, QList { QUrl(harness.model->info()->url()) });
}

void NewDownloadTest::audioQualities_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("qualities");
    QTest::addColumn<QString>("fixed");

    QTest::newRow("MP3 rates, 192 balanced")
        << u"MP3 · universal"_s
        << QStringList { u"128 kbps"_s, u"192 kbps · equilibrado"_s, u"256 kbps"_s, u"320 kbps"_s } << QString();
    QTest::newRow("Opus rates") << u"Opus · eficiente"_s
                                << QStringList { u"96 kbps"_s, u"128 kbps"_s, u"160 kbps"_s,
                                       u"192 kbps · equilibrado"_s }
                                << QString();
    QTest::newRow("FLAC has no rates") << u"FLAC · sin pérdida adicional"_s << QStringList()
                                       << u"Sin pérdida adicional"_s;
}

void NewDownloadTest::audioQualities()
{
    QFETCH(QString, format);
    QFETCH(QStringList, qualities);
    QFETCH(QString, fixed);

    AppHarness harness;
    harness.open();
    NewDownloadView view(harness.model.get());
    view.show();
    auto* quality = child<QComboBox>(view, u"qualityPicker"_s);
    // Start from a rate every format with rates lacks, so that the change snaps it.
    pick(child<QComboBox>(view, u"formatPicker"_s), title(AudioFormat::opus));
    pick(quality, u"96 kbps"_s);

    pick(child<QComboBox>(view, u"formatPicker"_s), format);
    QCOMPARE(title(harness.model->profile().audio), format);
    QCOMPARE(items(quality), qualities);
    QCOMPARE(shown(view, u"qualityPicker"_s), !qualities.isEmpty());
    QCOMPARE(shown(view, u"fixedQuality"_s), qualities.isEmpty());
    if (qualities.isEmpty()) {
        QCOMPARE(child<QLabel>(view, u"fixedQuality"_s)->text(), fixed);
    } else {
        QCOMPARE(quality->currentText(), qualities.contains(u"96 kbps"_s) ? u"96 kbps"_s : u"192 kbps · equilibrado"_s);
        pick(quality, qualities.last());
        QCOMPARE(NewDownloadView::bitrateText(harness.model->profile().bitrate), qualities.last());
    }
    QCOMPARE(child<QPushButton>(view, u"download"_s)->text(), u"Descargar audio"_s);
}

void NewDownloadTest::videoLadder()
{
    AppHarness harness;
    harness.serve(TestSupport::offlinePost(harness.clip(), 1, { 4320, 2160, 1080 }));
    QVERIFY(harness.openStarted());
    NewDownloadView view(harness.model.get());
    view.show();
    auto* quality = child<QComboBox>(view, u"qualityPicker"_s);
    auto* format = child<QComboBox>(view, u"formatPicker"_s);

    auto* kind = child<SegmentedPicker>(view, u"kindPicker"_s);
    QTest::mouseClick(kind, Qt::LeftButton, {}, kind->segmentRect(1).center());
    QCOMPARE(harness.model->profile().kind, DownloadKind::video);
    QCOMPARE(items(format), (QStringList { u"MP4 · compatible con Mac"_s, u"MKV · máxima calidad disponible"_s }));
    QCOMPARE(child<QPushButton>(view, u"download"_s)->text(), u"Descargar video"_s);
    QCOMPARE(child<QLabel>(view, u"hint"_s)->text(), u"MP4 usa H.264 y AAC para reproducirse en Mac."_s);
    pick(format, u"MKV · máxima calidad disponible"_s);
    QCOMPARE(child<QLabel>(view, u"hint"_s)->text(),
        u"MKV conserva los códecs del origen. Usá VLC u otro reproductor compatible."_s);
    // Nothing analysed: the best available is offered, and the profile's own
    // height as an ordinary entry, not a faint placeholder.
    QCOMPARE(items(quality), (QStringList { u"Máxima disponible"_s, u"Hasta 1080p"_s }));
    QCOMPARE(quality->currentText(), u"Hasta 1080p"_s);

    QTest::keyClicks(view.linkField(), TestSupport::postLink());
    QTest::keyClick(view.linkField(), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(harness.model->info().has_value(), 20000);
    QCOMPARE(items(quality),
        (QStringList { u"Máxima disponible"_s, u"Hasta 4320p · 8K"_s, u"Hasta 2160p · 4K"_s, u"Hasta 1440p"_s,
            u"Hasta 1080p"_s }));
    QCOMPARE(quality->currentText(), u"Hasta 1080p"_s);
    // Roomy rows in the open list, as on the cards.
    QVERIFY(quality->view()->sizeHintForRow(0) >= 28);
    // The card names the top height without the picker's suffix.
    QCOMPARE(child<QLabel>(view, u"videoHeight"_s)->text(), u"Hasta 4320p"_s);

    pick(quality, u"Máxima disponible"_s);
    QCOMPARE(harness.model->profile().height, qint64(0));
    pick(quality, u"Hasta 2160p · 4K"_s);
    QCOMPARE(harness.model->profile().height, qint64(2160));
}

void NewDownloadTest::runningJobReplacesTheTiles()
{
    // A download that stays in flight until the test ends it.
    AppHarness harness;
    ControlledEngine& engine = *harness.engine;
    engine.analyzeNow = [](const QString&) { return QList { testVideo(u"abcdefghijk"_s, { 720 }) }; };
    harness.open().start();
    QTRY_VERIFY(harness.model->engineReady());
    NewDownloadView view(harness.model.get());
    view.show();
    QVERIFY(shown(view, u"featureTiles"_s));
    QVERIFY(!shown(view, u"runningCard"_s));

    harness.model->setLink(youtubeWatchURL(u"abcdefghijk"_s));
    harness.model->analyze();
    QTRY_VERIFY(harness.model->info().has_value());
    QVERIFY(!shown(view, u"featureTiles"_s));
    QTest::mouseClick(child<QPushButton>(view, u"download"_s), Qt::LeftButton);
    QTRY_COMPARE(engine.count(Kind::exportJob), 1);
    // Even with nothing analysed, the running job wins over the tiles.
    child<PlainButton>(view, u"clearLink"_s)->click();
    QVERIFY(shown(view, u"runningCard"_s));
    QVERIFY(!shown(view, u"featureTiles"_s));
    QVERIFY(view.findChild<JobRow*>()->isVisibleTo(&view));
    QVERIFY(view.findChild<JobRow*>()->isCompact());

    engine.call(Kind::exportJob, 0)->report({ JobState::downloading, 0.456, u"Descargando"_s, false });
    QTRY_COMPARE(harness.model->active()->progress, 0.456);
    QTRY_VERIFY(hasText(*view.findChild<QWidget*>(u"runningCard"_s), u"45%"_s));

    child<PlainButton>(view, u"showQueue"_s)->click();
    QCOMPARE(harness.model->section(), u"queue"_s);

    DownloadJob done = engine.call(Kind::exportJob, 0)->job;
    done.state = JobState::completed;
    done.progress = 1;
    engine.call(Kind::exportJob, 0)->finish(done);
    QTRY_VERIFY(!harness.model->active());
    QVERIFY(!shown(view, u"runningCard"_s));
    QVERIFY(shown(view, u"featureTiles"_s));
}

void NewDownloadTest::focusRequest()
{
    AppHarness harness;
    harness.open();
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* elsewhere = new QLineEdit;
    column->addWidget(elsewhere);
    auto* view = new NewDownloadView(harness.model.get());
    column->addWidget(view);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    elsewhere->setFocus();

    // A screen that is not on display leaves the cursor where it is.
    view->hide();
    FocusLinkNotifier::instance().post();
    QVERIFY(elsewhere->hasFocus());

    view->show();
    FocusLinkNotifier::instance().post();
    QTRY_VERIFY(view->linkField()->hasFocus());
}

void NewDownloadTest::linkFieldReadable_data()
{
    QTest::addColumn<ColorScheme>("scheme");
    QTest::addColumn<QString>("text");

    for (const auto& [scheme, name] : { std::pair { ColorScheme::dark, "dark" }, std::pair { ColorScheme::light, "light" } }) {
        QTest::addRow("%s, a typed link", name) << scheme << TestSupport::postLink();
        QTest::addRow("%s, the placeholder", name) << scheme << QString();
    }
}

// The link field's text and placeholder, as drawn, against the field's fill.
void NewDownloadTest::linkFieldReadable()
{
    QFETCH(ColorScheme, scheme);
    QFETCH(QString, text);

    AppHarness harness;
    QVERIFY(harness.openStarted());
    NewDownloadView view(harness.model.get());
    view.resize(880, 1000);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // Switched while shown, as the appearance preference does.
    Theme::instance().setPreferred(scheme);
    QCoreApplication::processEvents();
    QTest::keyClicks(view.linkField(), text);
    // Without the text cursor, which is drawn in another way than the text.
    view.linkField()->clearFocus();
    const QRect field(view.linkField()->mapTo(&view, QPoint()), view.linkField()->size());
    const auto [fill, ink] = Pixels::fillAndInk(view.grab().toImage().copy(field));
    Theme::instance().setPreferred(std::nullopt);
    COMPARE_COLOR(fill, Pixels::blend(cardBackground(scheme), toneColor(Tone::primary, scheme, 0.045)));
    QVERIFY2(Pixels::contrast(ink, fill) >= 4.5,
        qPrintable(u"%1 on %2: %3:1"_s.arg(ink.name(), fill.name()).arg(Pixels::contrast(ink, fill), 0, 'f', 2)));
}

QTEST_MAIN(NewDownloadTest)
#include "tst_newdownload.moc"
