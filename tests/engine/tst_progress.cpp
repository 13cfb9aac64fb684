#include "Conversion.h"
#include "DownloadProgress.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

// What the tools print, read into progress and the file they made.
class ProgressTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void progressLines_data();
    void progressLines();
    void conversionProgress_data();
    void conversionProgress();
    void fileMarkers();
};

void ProgressTest::progressLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<double>("to");
    QTest::addColumn<DownloadUpdate>("update");

    QTest::newRow("percent, speed and time left padded by blanks")
        << u"BRISOMAR_PROGRESS: 50.0%|  1.20MiB/s |00:12  "_s << 0.9
        << DownloadUpdate { JobState::downloading, 0.45, u"1.20MiB/s · 00:12"_s, false };
    QTest::newRow("speed and time left unknown, parts empty")
        << u"BRISOMAR_PROGRESS: 10.0%|Unknown B/s||NA|"_s << 1.0
        << DownloadUpdate { JobState::downloading, 0.1, u"Descargando…"_s, false };
}

void ProgressTest::progressLines()
{
    QFETCH(QString, line);
    QFETCH(double, to);
    QFETCH(DownloadUpdate, update);

    QList<DownloadUpdate> got;
    ::progress(line, to, [&](const DownloadUpdate& sent) { got.append(sent); });
    QCOMPARE(got, QList { update });
}

void ProgressTest::conversionProgress_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<std::optional<double>>("progress");

    using P = std::optional<double>;
    QTest::newRow("twice the duration is still the end") << u"out_time_us=24000000"_s << P(0.98);
    QTest::newRow("half way") << u"out_time_us=6000000"_s << P(0.85);
    QTest::newRow("a negative position is the start") << u"out_time_us=-23220"_s << P(0.72);
    QTest::newRow("not yet known") << u"out_time_us=N/A"_s << P();
}

void ProgressTest::conversionProgress()
{
    QFETCH(QString, line);
    QFETCH(std::optional<double>, progress);

    const std::optional<double> got = Conversion::progress(line, 12);
    QCOMPARE(got.has_value(), progress.has_value());
    if (got)
        QVERIFY2(qAbs(*got - *progress) < 1e-9, qPrintable(QString::number(*got, 'g', 17)));
}

// The last marker wins; junk after it keeps the earlier value.
void ProgressTest::fileMarkers()
{
    LastPath last;
    for (const QString& line : { u"BRISOMAR_FILE:\"/one.m4a\""_s, u"noise"_s, u"BRISOMAR_FILE:\"/two.m4a\""_s,
             u"BRISOMAR_FILE:/bare/path.mkv"_s, u"BRISOMAR_FILE:\"/a\",\"/b\""_s })
        capturePath(line, last);
    QCOMPARE(last.value(), std::optional(u"/two.m4a"_s));
}

QTEST_GUILESS_MAIN(ProgressTest)
#include "tst_progress.moc"
