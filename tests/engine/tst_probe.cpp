#include "BrisError.h"
#include "Downloader.h"
#include "MediaProbe.h"
#include "StandInTools.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// A probe in one line, or the sentence of the error that stopped it ("JSON" for the parser's).
QString summary(const std::function<MediaProbe()>& probe, bool withDuration = true)
{
    try {
        const MediaProbe p = probe();
        return (withDuration ? u"duration %1, "_s.arg(p.duration) : QString())
            + u"audio %1, video %2, resolution %3, %4 bytes, codecs %5"_s
                  .arg(p.audio ? u"true"_s : u"false"_s, p.video ? u"true"_s : u"false"_s)
                  .arg(p.resolution)
                  .arg(p.bytes)
                  .arg(p.codecs.join(u'+'));
    } catch (const JsonError&) {
        return u"JSON"_s;
    } catch (const std::exception& error) {
        return errorDescription(error);
    }
}

const QString noDuration = u"El archivo no contiene una duración válida."_s;

} // namespace

class ProbeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void realMedia_data();
    void realMedia();
    void reports_data();
    void reports();
    void missingFile();
    void toolOutput_data();
    void toolOutput();

private:
    QTemporaryDir m_dir;
};

void ProbeTest::realMedia_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<int>>("recipe");
    QTest::addColumn<QString>("expected");

    QTest::newRow("audio only") << u"a.m4a"_s << QList<int> { 0, 0, 1 }
                                << u"audio true, video false, resolution 0, codecs aac"_s;
    QTest::newRow("video only") << u"v.mkv"_s << QList<int> { 320, 240, 0 }
                                << u"audio false, video true, resolution 240, codecs h264"_s;
    QTest::newRow("video with two audio streams")
        << u"va.mkv"_s << QList<int> { 640, 360, 2 }
        << u"audio true, video true, resolution 360, codecs h264+vorbis+vorbis"_s;
    QTest::newRow("portrait video measures its width")
        << u"p.mp4"_s << QList<int> { 180, 320, 1 } << u"audio true, video true, resolution 180, codecs h264+aac"_s;
    // ffprobe itself refuses it, and its words reach the caller.
    QTest::newRow("zero-byte file") << u"empty.mkv"_s << QList<int> {}
                                    << u"/empty.mkv: Invalid data found when processing input"_s;
}

void ProbeTest::realMedia()
{
    QFETCH(QString, name);
    QFETCH(QList<int>, recipe);
    QFETCH(QString, expected);

    const QString path = m_dir.filePath(name);
    QVERIFY(recipe.isEmpty() ? TestSupport::writeFile(path, {})
                             : TestSupport::makeMedia(path, recipe[0], recipe[1], recipe[2], 1.5));
    double duration = 0;
    QString got = summary(
        [&] {
            const MediaProbe probe = Downloader().probe(path, std::make_shared<Cancellation>());
            duration = probe.duration;
            return probe;
        },
        false);
    got.replace(u", %1 bytes"_s.arg(QFileInfo(path).size()), QString());
    QVERIFY2(got.endsWith(expected), qPrintable(got));
    QVERIFY2(recipe.isEmpty() || (duration > 1.4 && duration < 1.7), qPrintable(QString::number(duration)));
}

void ProbeTest::reports_data()
{
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    const QByteArray aac = R"("streams":[{"codec_type":"audio","codec_name":"aac"}])";
    QTest::newRow("as ffprobe writes it")
        << R"({"format":{"duration":"12.500000","size":"9"},)" + aac + "}"
        << "123"_ba << u"duration 12.5, audio true, video false, resolution 0, 3 bytes, codecs aac"_s;
    QTest::newRow("first video stream sets the resolution")
        << R"({"format":{"duration":3},"streams":[{"codec_type":"video","codec_name":"vp9","width":1920,"height":1080},
              {"codec_type":"video","codec_name":"png","width":10,"height":10},{"codec_type":"data","codec_name":7}]})"_ba
        << "1"_ba << u"duration 3, audio false, video true, resolution 1080, 1 bytes, codecs vp9+png"_s;
    QTest::newRow("video without width, odd height")
        << R"({"format":{"duration":"1"},"streams":[{"codec_type":"video","height":-720}]})"_ba
        << "1"_ba << u"duration 1, audio false, video true, resolution 0, 1 bytes, codecs "_s;
    QTest::newRow("streams of another shape are none")
        << R"({"format":{"duration":"1"},"streams":[{"codec_type":"audio","codec_name":"aac"},5]})"_ba
        << "1"_ba << u"duration 1, audio false, video false, resolution 0, 1 bytes, codecs "_s;
    QTest::newRow("duration missing") << "{\"format\":{}," + aac + "}"
                                      << "1"_ba << noDuration;
    QTest::newRow("duration zero") << R"({"format":{"duration":"0.000000"}})"_ba
                                   << "1"_ba << noDuration;
    QTest::newRow("duration N/A") << R"({"format":{"duration":"N/A"}})"_ba
                                  << "1"_ba << noDuration;
    QTest::newRow("format not an object") << R"({"format":"12.0"})"_ba
                                          << "1"_ba << noDuration;
    QTest::newRow("not JSON") << "duration=12\n"_ba
                              << "1"_ba << u"JSON"_s;
    QTest::newRow("empty file, valid report")
        << "{\"format\":{\"duration\":\"1.0\"}," + aac + "}" << QByteArray() << u"El archivo descargado está vacío."_s;
}

void ProbeTest::reports()
{
    QFETCH(QByteArray, report);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);

    const QString file = m_dir.filePath(u"subject"_s);
    QVERIFY(TestSupport::writeFile(file, content));
    QCOMPARE(summary([&] { return MediaProbe::read(report, file); }), expected);
}

// The report's faults come before a file that cannot be measured.
void ProbeTest::missingFile()
{
    const QString missing = m_dir.filePath(u"gone"_s);
    QCOMPARE(summary([&] { return MediaProbe::read(R"({"format":{}})", missing); }), noDuration);
    const QString measured = summary([&] { return MediaProbe::read(R"({"format":{"duration":"1"}})", missing); });
    QVERIFY2(measured.startsWith(u"No se pudo leer el archivo "_s + missing), qPrintable(measured));
}

void ProbeTest::toolOutput_data()
{
    QTest::addColumn<QByteArray>("ffprobe");
    QTest::addColumn<QString>("expected");

    QTest::newRow("report without duration") << R"(echo '{"format":{"size":"9"},"streams":[]}')"_ba << noDuration;
    // The file is "-i" in the working folder: it must reach ffprobe as a path, not an option.
    QTest::newRow("a file name that looks like an option")
        << R"(case "${@: -1}" in /*/-i) echo '{"format":{"duration":"2"}}';; *) exit 1;; esac)"_ba
        << u"duration 2, audio false, video false, resolution 0, 1 bytes, codecs "_s;
}

void ProbeTest::toolOutput()
{
    QFETCH(QByteArray, ffprobe);
    QFETCH(QString, expected);

    StandInTools stand;
    stand.script(u"ffprobe"_s, ffprobe);
    QDir::setCurrent(m_dir.path());
    QVERIFY(TestSupport::writeFile(m_dir.filePath(u"-i"_s), "1"));
    QCOMPARE(
        summary([&] { return Downloader(Toolchain(stand.root())).probe(u"-i"_s, std::make_shared<Cancellation>()); }),
        expected);
}

QTEST_GUILESS_MAIN(ProbeTest)
#include "tst_probe.moc"
