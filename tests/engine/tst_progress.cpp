#include "DownloadProgress.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class ProgressTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void progressLines_data();
    void progressLines();
    void fileMarkers_data();
    void fileMarkers();
};

void ProgressTest::progressLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<double>("to");
    QTest::addColumn<bool>("sends");
    QTest::addColumn<double>("progress");
    QTest::addColumn<QString>("detail");

    QTest::newRow("percent, speed and time left padded by blanks")
        << u"BRISOMAR_PROGRESS: 45.3%|  1.20MiB/s |00:12  "_s << 0.9 << true << 0.4077 << u"1.20MiB/s · 00:12"_s;
    QTest::newRow("unknown speed and time left")
        << u"BRISOMAR_PROGRESS:  3.0%|N/A|Unknown"_s << 0.7 << true << 0.021 << u"Descargando…"_s;
    QTest::newRow("speed and time left as recent yt-dlp spells them unknown")
        << u"BRISOMAR_PROGRESS: 10.0%|Unknown B/s|NA"_s << 1.0 << true << 0.1 << u"Descargando…"_s;
    QTest::newRow("empty parts are dropped") << u"BRISOMAR_PROGRESS:10%||00:05|"_s << 1.0 << true << 0.1 << u"00:05"_s;
    QTest::newRow("above 100 sends the upper end") << u"BRISOMAR_PROGRESS:250.5%|x"_s << 0.9 << true << 0.9 << u"x"_s;
    QTest::newRow("negative counts as 0") << u"BRISOMAR_PROGRESS:-5%|x|y"_s << 0.9 << true << 0.0 << u"x · y"_s;
    QTest::newRow("percent signs anywhere are removed")
        << u"BRISOMAR_PROGRESS:%1%2%|a"_s << 1.0 << true << 0.12 << u"a"_s;
    QTest::newRow("not a number") << u"BRISOMAR_PROGRESS:abc%|1MiB/s|00:01"_s << 0.9 << false << 0.0 << QString();
    QTest::newRow("infinite percentage") << u"BRISOMAR_PROGRESS:inf%"_s << 0.9 << false << 0.0 << QString();
    QTest::newRow("number with trailing junk") << u"BRISOMAR_PROGRESS:12abc%"_s << 0.9 << false << 0.0 << QString();
    QTest::newRow("marker not at the start") << u" BRISOMAR_PROGRESS:50%"_s << 0.9 << false << 0.0 << QString();
    QTest::newRow("other output") << u"[download] Destination: a.webm"_s << 0.9 << false << 0.0 << QString();
    QTest::newRow("invalid bytes in the detail")
        << u"BRISOMAR_PROGRESS:20%|\uFFFD\uFFFD|00:01"_s << 0.5 << true << 0.1 << u"\uFFFD\uFFFD · 00:01"_s;
}

void ProgressTest::progressLines()
{
    QFETCH(QString, line);
    QFETCH(double, to);
    QFETCH(bool, sends);
    QFETCH(double, progress);
    QFETCH(QString, detail);

    QList<DownloadUpdate> updates;
    ::progress(line, to, [&](const DownloadUpdate& update) { updates.append(update); });
    QCOMPARE(updates.size(), sends ? 1 : 0);
    if (!sends)
        return;
    const DownloadUpdate& update = updates.first();
    QCOMPARE(update.state, JobState::downloading);
    QVERIFY2(qAbs(update.progress - progress) < 1e-9, qPrintable(QString::number(update.progress, 'g', 17)));
    QCOMPARE(update.detail, detail);
    QCOMPARE(update.reused, false);
}

void ProgressTest::fileMarkers_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<std::optional<QString>>("path");

    using Path = std::optional<QString>;
    QTest::newRow("one marker") << QStringList { u"BRISOMAR_FILE:\"/tmp/a b/video.mkv\""_s }
                                << Path(u"/tmp/a b/video.mkv"_s);
    QTest::newRow("the last marker wins") << QStringList { u"BRISOMAR_FILE:\"/one.m4a\""_s, u"noise"_s,
        u"BRISOMAR_FILE:\"/two.m4a\""_s } << Path(u"/two.m4a"_s);
    QTest::newRow("JSON escapes are decoded")
        << QStringList { u"BRISOMAR_FILE:\"/v/\\u00f1and\\u00fa \\\"q\\\"\\\\x.mp4\""_s }
        << Path(u"/v/ñandú \"q\"\\x.mp4"_s);
    QTest::newRow("junk keeps the earlier value")
        << QStringList { u"BRISOMAR_FILE:\"/good.mkv\""_s, u"BRISOMAR_FILE:/bare/path.mkv"_s } << Path(u"/good.mkv"_s);
    QTest::newRow("trailing junk after the string")
        << QStringList { u"BRISOMAR_FILE:\"/good.mkv\""_s, u"BRISOMAR_FILE:\"/x\"]"_s } << Path(u"/good.mkv"_s);
    QTest::newRow("two strings are not one") << QStringList { u"BRISOMAR_FILE:\"/a\",\"/b\""_s } << Path();
    QTest::newRow("a number is not a path") << QStringList { u"BRISOMAR_FILE:42"_s } << Path();
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
