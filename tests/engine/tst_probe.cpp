#include "BrisError.h"
#include "Downloader.h"
#include "MediaProbe.h"
#include "StandInTools.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// A probe in one line, or the sentence of the error that stopped it.
QString summary(const std::function<MediaProbe()>& probe)
{
    try {
        const MediaProbe p = probe();
        return u"duration %1, audio %2, video %3, resolution %4, %5 bytes, codecs %6"_s.arg(p.duration)
            .arg(p.audio)
            .arg(p.video)
            .arg(p.resolution)
            .arg(p.bytes)
            .arg(p.codecs.join(u'+'));
    } catch (const std::exception& error) {
        return errorDescription(error);
    }
}

} // namespace

class ProbeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reports_data();
    void reports();
    void aFileNameThatLooksLikeAnOption();

private:
    QTemporaryDir m_dir;
};

void ProbeTest::reports_data()
{
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    const QByteArray aac = R"("streams":[{"codec_type":"audio","codec_name":"aac"}])";
    QTest::newRow("as ffprobe writes it")
        << R"({"format":{"duration":"12.500000","size":"9"},)" + aac + "}"
        << "123"_ba << u"duration 12.5, audio 1, video 0, resolution 0, 3 bytes, codecs aac"_s;
    QTest::newRow("first video stream sets the resolution")
        << R"({"format":{"duration":3},"streams":[{"codec_type":"video","codec_name":"vp9","width":1920,"height":1080},
              {"codec_type":"video","codec_name":"png","width":10,"height":10},{"codec_type":"data","codec_name":7}]})"_ba
        << "1"_ba << u"duration 3, audio 0, video 1, resolution 1080, 1 bytes, codecs vp9+png"_s;
    QTest::newRow("duration N/A") << R"({"format":{"duration":"N/A"}})"_ba
                                  << "1"_ba << u"El archivo no contiene una duración válida."_s;
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

// The file is "-i" in the working folder: it must reach ffprobe as a path, not an option.
void ProbeTest::aFileNameThatLooksLikeAnOption()
{
    StandInTools stand;
    stand.script(u"ffprobe"_s, R"(case "${@: -1}" in /*/-i) echo '{"format":{"duration":"2"}}';; *) exit 1;; esac)"_ba);
    QDir::setCurrent(m_dir.path());
    QVERIFY(TestSupport::writeFile(m_dir.filePath(u"-i"_s), "1"));
    QCOMPARE(
        summary([&] { return Downloader(Toolchain(stand.root())).probe(u"-i"_s, std::make_shared<Cancellation>()); }),
        u"duration 2, audio 0, video 0, resolution 0, 1 bytes, codecs "_s);
}

QTEST_GUILESS_MAIN(ProbeTest)
#include "tst_probe.moc"
