#include "BrisError.h"
#include "Downloader.h"
#include "StandInTools.h"
#include "TestMedia.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class ConversionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void conversionProgress_data();
    void conversionProgress();
    void prepareMP4EvensTheSizeAndReplacesAStaleOutput();
    void prepareMP4Refuses_data();
    void prepareMP4Refuses();

private:
    TestMedia m_media;
};

void ConversionTest::conversionProgress_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<std::optional<double>>("progress");

    using P = std::optional<double>;
    QTest::newRow("the whole duration") << u"out_time_us=12000000"_s << P(0.98);
    QTest::newRow("twice the duration is still the end") << u"out_time_us=24000000"_s << P(0.98);
    QTest::newRow("half way") << u"out_time_us=6000000"_s << P(0.85);
    QTest::newRow("the start") << u"out_time_us=0"_s << P(0.72);
    QTest::newRow("a negative position is the start") << u"out_time_us=-23220"_s << P(0.72);
    QTest::newRow("not yet known") << u"out_time_us=N/A"_s << P();
    QTest::newRow("another progress key") << u"out_time_ms=6000000"_s << P();
    QTest::newRow("the end marker") << u"progress=end"_s << P();
}

void ConversionTest::conversionProgress()
{
    QFETCH(QString, line);
    QFETCH(std::optional<double>, progress);

    const std::optional<double> got = Downloader::conversionProgress(line, 12);
    QCOMPARE(got.has_value(), progress.has_value());
    if (got)
        QVERIFY2(qAbs(*got - *progress) < 1e-9, qPrintable(QString::number(*got, 'g', 17)));
}

// Copying and re-encoding both run in the export tests; this is what they do not show.
void ConversionTest::prepareMP4EvensTheSizeAndReplacesAStaleOutput()
{
    QTemporaryDir work;
    const QString output = work.filePath(u"export.mp4"_s);
    // A leftover of an earlier attempt: ffmpeg never overwrites, so it must go first.
    QVERIFY(TestSupport::writeFile(output, "stale"));
    QList<DownloadUpdate> updates;
    const Downloader engine;
    engine.prepareMP4(m_media.path(u"odd.mkv"_s), output, std::make_shared<Cancellation>(),
        [&](const DownloadUpdate& update) { updates.append(update); });

    const QList<DownloadUpdate> expected { { JobState::converting, 0.94,
        u"Convirtiendo video a MP4 compatible con Mac…"_s, false } };
    QCOMPARE(updates, expected);
    const MediaProbe result = engine.probe(output, std::make_shared<Cancellation>());
    QCOMPARE(result.codecs, (QStringList { u"h264"_s, u"aac"_s }));
    QCOMPARE(result.resolution, 240);
    QVERIFY2(qAbs(result.duration - 12) < 0.2, qPrintable(QString::number(result.duration)));
}

void ConversionTest::prepareMP4Refuses_data()
{
    QTest::addColumn<QString>("input");

    QTest::newRow("longer than twelve hours") << u"long.mkv"_s;
    QTest::newRow("sound without picture") << u"tone.m4a"_s;
}

void ConversionTest::prepareMP4Refuses()
{
    QFETCH(QString, input);

    StandInTools stand;
    stand.pacedFfmpeg();
    QTemporaryDir work;
    const QString output = work.filePath(u"export.mp4"_s);
    QCOMPARE(TestSupport::failure(
                 [&] { Downloader(Toolchain(stand.root())).prepareMP4(m_media.path(input), output, nullptr, {}); }),
        u"El video supera las 12 horas o no contiene imagen válida."_s);
    QVERIFY(stand.runs(u"ffmpeg"_s).isEmpty());
    QVERIFY(!QFile::exists(output));
}

QTEST_GUILESS_MAIN(ConversionTest)
#include "tst_conversion.moc"
