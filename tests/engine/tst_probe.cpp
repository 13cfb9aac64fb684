#include "BrisError.h"
#include "Downloader.h"
#include "MediaProbe.h"
#include "StandInTools.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class ProbeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void realMedia_data();
    void realMedia();
    void unreadableFileIsAToolError();
    void reports_data();
    void reports();
    void reportFailures_data();
    void reportFailures();
    void brokenToolOutput_data();
    void brokenToolOutput();

private:
    QTemporaryDir m_media;
};

void ProbeTest::initTestCase()
{
    QVERIFY(m_media.isValid());
    QVERIFY(TestSupport::makeMedia(m_media.filePath(u"audio.m4a"_s), 0, 0, 1, 1.5));
    QVERIFY(TestSupport::makeMedia(m_media.filePath(u"video.mkv"_s), 320, 240, 0, 1));
    QVERIFY(TestSupport::makeMedia(m_media.filePath(u"two-audio.mkv"_s), 640, 360, 2, 1));
    QVERIFY(TestSupport::makeMedia(m_media.filePath(u"portrait.mp4"_s), 180, 320, 1, 1));
}

void ProbeTest::realMedia_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("audio");
    QTest::addColumn<bool>("video");
    QTest::addColumn<qint64>("resolution");
    QTest::addColumn<QStringList>("codecs");

    QTest::newRow("audio only") << u"audio.m4a"_s << true << false << qint64(0) << QStringList { u"aac"_s };
    QTest::newRow("video only") << u"video.mkv"_s << false << true << qint64(240) << QStringList { u"h264"_s };
    QTest::newRow("video with two audio streams")
        << u"two-audio.mkv"_s << true << true << qint64(360) << QStringList { u"h264"_s, u"vorbis"_s, u"vorbis"_s };
    QTest::newRow("portrait video measures its width")
        << u"portrait.mp4"_s << true << true << qint64(180) << QStringList { u"h264"_s, u"aac"_s };
}

void ProbeTest::realMedia()
{
    QFETCH(QString, file);
    QFETCH(bool, audio);
    QFETCH(bool, video);
    QFETCH(qint64, resolution);
    QFETCH(QStringList, codecs);

    const QString path = m_media.filePath(file);
    const MediaProbe probe = Downloader().probe(path, std::make_shared<Cancellation>());
    QCOMPARE(probe.audio, audio);
    QCOMPARE(probe.video, video);
    QCOMPARE(probe.resolution, resolution);
    QCOMPARE(probe.codecs, codecs);
    QCOMPARE(probe.bytes, QFileInfo(path).size());
    QVERIFY2(probe.duration > 0.9 && probe.duration < 1.7, qPrintable(QString::number(probe.duration)));
}

void ProbeTest::unreadableFileIsAToolError()
{
    // ffprobe itself refuses a zero-byte file, and its words reach the caller.
    const QString empty = m_media.filePath(u"empty.mkv"_s);
    QVERIFY(TestSupport::writeFile(empty, {}));
    try {
        Downloader().probe(empty, std::make_shared<Cancellation>());
        QFAIL("an empty file has nothing to measure");
    } catch (const BrisError& error) {
        QCOMPARE(error.kind(), BrisError::Kind::Process);
        QVERIFY2(error.payload().contains(u"empty.mkv"_s), qPrintable(error.payload()));
    }
}

void ProbeTest::reports_data()
{
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<double>("duration");
    QTest::addColumn<bool>("audio");
    QTest::addColumn<bool>("video");
    QTest::addColumn<qint64>("resolution");
    QTest::addColumn<QStringList>("codecs");

    QTest::newRow("duration as ffprobe writes it")
        << R"({"format":{"duration":"12.500000","size":"9"},"streams":[{"codec_type":"audio","codec_name":"opus"}]})"_ba
        << 12.5 << true << false << qint64(0) << QStringList { u"opus"_s };
    QTest::newRow("duration as a number")
        << R"({"format":{"duration":3}})"_ba << 3.0 << false << false << qint64(0) << QStringList {};
    QTest::newRow("first video stream sets the resolution")
        << R"({"format":{"duration":"1"},"streams":[{"codec_type":"video","codec_name":"vp9","width":1920,"height":1080},
              {"codec_type":"video","codec_name":"png","width":100,"height":100}]})"_ba
        << 1.0 << false << true << qint64(1080) << QStringList { u"vp9"_s, u"png"_s };
    QTest::newRow("video without width measures 0")
        << R"({"format":{"duration":"1"},"streams":[{"codec_type":"video","codec_name":"h264","height":720}]})"_ba
        << 1.0 << false << true << qint64(0) << QStringList { u"h264"_s };
    QTest::newRow("odd dimensions count as missing")
        << R"({"format":{"duration":"1"},"streams":[{"codec_type":"video","width":"1280","height":-720}]})"_ba << 1.0
        << false << true << qint64(0) << QStringList {};
    QTest::newRow("codec names that are not text are skipped")
        << R"({"format":{"duration":"1"},"streams":[{"codec_type":"audio","codec_name":7},{"codec_type":"data"},{"codec_name":"mov_text"}]})"_ba
        << 1.0 << true << false << qint64(0) << QStringList { u"mov_text"_s };
    QTest::newRow("streams of another shape are none")
        << R"({"format":{"duration":"1"},"streams":{"codec_type":"audio"}})"_ba << 1.0 << false << false << qint64(0)
        << QStringList {};
    QTest::newRow("a list holding a non-object is none")
        << R"({"format":{"duration":"1"},"streams":[{"codec_type":"audio","codec_name":"aac"},5]})"_ba << 1.0 << false
        << false << qint64(0) << QStringList {};
}

void ProbeTest::reports()
{
    QFETCH(QByteArray, report);
    QFETCH(double, duration);
    QFETCH(bool, audio);
    QFETCH(bool, video);
    QFETCH(qint64, resolution);
    QFETCH(QStringList, codecs);

    const QString file = m_media.filePath(u"nine-bytes"_s);
    QVERIFY(TestSupport::writeFile(file, "123456789"));
    const MediaProbe probe = MediaProbe::read(report, file);
    QCOMPARE(probe, (MediaProbe { duration, audio, video, resolution, 9, codecs }));
}

void ProbeTest::reportFailures_data()
{
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");

    const QString noDuration = u"El archivo no contiene una duración válida."_s;
    const QByteArray streams = R"("streams":[{"codec_type":"audio","codec_name":"aac"}])";
    QTest::newRow("duration missing") << "{\"format\":{}," + streams + "}"
                                      << "x"_ba << noDuration;
    QTest::newRow("duration zero") << "{\"format\":{\"duration\":\"0.000000\"}," + streams + "}"
                                   << "x"_ba << noDuration;
    QTest::newRow("duration negative") << R"({"format":{"duration":-4}})"_ba
                                       << "x"_ba << noDuration;
    QTest::newRow("duration N/A") << R"({"format":{"duration":"N/A"}})"_ba
                                  << "x"_ba << noDuration;
    QTest::newRow("duration infinite") << R"({"format":{"duration":"inf"}})"_ba
                                       << "x"_ba << noDuration;
    QTest::newRow("duration not a number") << R"({"format":{"duration":"nan"}})"_ba
                                           << "x"_ba << noDuration;
    QTest::newRow("duration with junk") << R"({"format":{"duration":"12s"}})"_ba
                                        << "x"_ba << noDuration;
    QTest::newRow("duration as a boolean") << R"({"format":{"duration":true}})"_ba
                                           << "x"_ba << noDuration;
    QTest::newRow("format not an object") << R"({"format":"12.0"})"_ba
                                          << "x"_ba << noDuration;
    QTest::newRow("top level a list") << R"([{"format":{"duration":"1"}}])"_ba
                                      << "x"_ba << noDuration;
    QTest::newRow("empty file with a valid report") << "{\"format\":{\"duration\":\"1.0\"}," + streams + "}"
                                                    << QByteArray() << u"El archivo descargado está vacío."_s;
}

void ProbeTest::reportFailures()
{
    QFETCH(QByteArray, report);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);

    const QString file = m_media.filePath(u"subject"_s);
    QVERIFY(TestSupport::writeFile(file, content));
    try {
        MediaProbe::read(report, file);
        QFAIL("the report must be refused");
    } catch (const BrisError& error) {
        QCOMPARE(error.kind(), BrisError::Kind::Message);
        QCOMPARE(error.errorDescription(), message);
    }
}

void ProbeTest::brokenToolOutput_data()
{
    QTest::addColumn<QByteArray>("ffprobe");
    // Empty: the JSON parser's own error.
    QTest::addColumn<QString>("description");

    QTest::newRow("report without duration")
        << R"(echo '{"format":{"size":"9"},"streams":[]}')"_ba << u"El archivo no contiene una duración válida."_s;
    QTest::newRow("not JSON") << "printf 'duration=12\\n'"_ba << QString();
    QTest::newRow("invalid UTF-8 is a JSON error") << "printf '{\"format\":{\"duration\":\"\\xff\"}}'"_ba << QString();
    QTest::newRow("ffprobe fails")
        << "echo 'x: Invalid data found when processing input' >&2; exit 1"_ba
        << u"No se pudo completar la operación. x: Invalid data found when processing input"_s;
    QTest::newRow("endless output") << "tr '\\0' '{' < /dev/zero"_ba
                                    << u"Descarga cancelada. Podés reintentar cuando quieras."_s;
}

void ProbeTest::brokenToolOutput()
{
    QFETCH(QByteArray, ffprobe);
    QFETCH(QString, description);

    StandInTools stand;
    stand.script(u"ffprobe"_s, ffprobe);
    try {
        Downloader(Toolchain(stand.root())).probe(m_media.filePath(u"audio.m4a"_s), std::make_shared<Cancellation>());
        QFAIL("the probe must fail");
    } catch (const JsonError&) {
        QVERIFY(description.isEmpty());
    } catch (const std::exception& error) {
        QCOMPARE(errorDescription(error), description);
    }
}

QTEST_GUILESS_MAIN(ProbeTest)
#include "tst_probe.moc"
