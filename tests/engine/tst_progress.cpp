#include "Downloader.h"
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
    void fileMarkers_data();
    void fileMarkers();
};

void ProgressTest::progressLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<double>("to");
    // Empty: no update.
    QTest::addColumn<QList<DownloadUpdate>>("updates");

    const auto update = [](double progress, const QString& detail) {
        return QList<DownloadUpdate> { { JobState::downloading, progress, detail, false } };
    };
    QTest::newRow("percent, speed and time left padded by blanks")
        << u"BRISOMAR_PROGRESS: 45.3%|  1.20MiB/s |00:12  "_s << 0.9 << update(0.4077, u"1.20MiB/s · 00:12"_s);
    QTest::newRow("speed and time left unknown, parts empty")
        << u"BRISOMAR_PROGRESS: 10.0%|Unknown B/s||NA|"_s << 1.0 << update(0.1, u"Descargando…"_s);
    QTest::newRow("above 100 sends the upper end") << u"BRISOMAR_PROGRESS:250.5%|x"_s << 0.9 << update(0.9, u"x"_s);
    QTest::newRow("negative counts as 0") << u"BRISOMAR_PROGRESS:-5%|x|y"_s << 0.9 << update(0.0, u"x · y"_s);
    QTest::newRow("not a number") << u"BRISOMAR_PROGRESS:abc%|1MiB/s|00:01"_s << 0.9 << QList<DownloadUpdate>();
    QTest::newRow("infinite percentage") << u"BRISOMAR_PROGRESS:inf%"_s << 0.9 << QList<DownloadUpdate>();
    QTest::newRow("marker not at the start") << u" BRISOMAR_PROGRESS:50%"_s << 0.9 << QList<DownloadUpdate>();
}

void ProgressTest::progressLines()
{
    QFETCH(QString, line);
    QFETCH(double, to);
    QFETCH(QList<DownloadUpdate>, updates);

    QList<DownloadUpdate> got;
    ::progress(line, to, [&](const DownloadUpdate& update) { got.append(update); });
    QCOMPARE(got.size(), updates.size());
    if (!got.isEmpty()) {
        QVERIFY2(qAbs(got[0].progress - updates[0].progress) < 1e-9, qPrintable(QString::number(got[0].progress)));
        got[0].progress = updates[0].progress;
        QCOMPARE(got, updates);
    }
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
    QTest::newRow("another progress key") << u"out_time_ms=6000000"_s << P();
}

void ProgressTest::conversionProgress()
{
    QFETCH(QString, line);
    QFETCH(std::optional<double>, progress);

    const std::optional<double> got = Downloader::conversionProgress(line, 12);
    QCOMPARE(got.has_value(), progress.has_value());
    if (got)
        QVERIFY2(qAbs(*got - *progress) < 1e-9, qPrintable(QString::number(*got, 'g', 17)));
}

void ProgressTest::fileMarkers_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<std::optional<QString>>("path");

    using Path = std::optional<QString>;
    QTest::newRow("the last marker wins") << QStringList { u"BRISOMAR_FILE:\"/one.m4a\""_s, u"noise"_s,
        u"BRISOMAR_FILE:\"/two.m4a\""_s } << Path(u"/two.m4a"_s);
    QTest::newRow("JSON escapes are decoded")
        << QStringList { u"BRISOMAR_FILE:\"/v/\\u00f1and\\u00fa \\\"q\\\"\\\\x.mp4\""_s }
        << Path(u"/v/ñandú \"q\"\\x.mp4"_s);
    QTest::newRow("junk keeps the earlier value")
        << QStringList { u"BRISOMAR_FILE:\"/good.mkv\""_s, u"BRISOMAR_FILE:/bare/path.mkv"_s } << Path(u"/good.mkv"_s);
    QTest::newRow("two strings are not one") << QStringList { u"BRISOMAR_FILE:\"/a\",\"/b\""_s } << Path();
    QTest::newRow("marker not at the start") << QStringList { u" BRISOMAR_FILE:\"/a\""_s } << Path();
}

void ProgressTest::fileMarkers()
{
    QFETCH(QStringList, lines);
    QFETCH(std::optional<QString>, path);

    LastPath last;
    for (const QString& line : lines)
        capturePath(line, last);
    QCOMPARE(last.value(), path);
}

QTEST_GUILESS_MAIN(ProgressTest)
#include "tst_progress.moc"
