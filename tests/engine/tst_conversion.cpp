#include "BrisError.h"
#include "Downloader.h"
#include "StandInTools.h"
#include "TestMedia.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

DownloadProfile audio(AudioFormat format, qint64 bitrate, bool metadata)
{
    DownloadProfile profile;
    profile.audio = format;
    profile.bitrate = bitrate;
    profile.metadata = metadata;
    return profile;
}

VideoInfo tonesVideo()
{
    VideoInfo video;
    video.id = u"abcdefghijk"_s;
    video.title = u"Dos tonos: \"prueba\""_s;
    video.author = u"Brisomar"_s;
    video.duration = 12;
    return video;
}

QString failure(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::exception& error) {
        return errorDescription(error);
    }
    return u"(no error)"_s;
}

} // namespace

class ConversionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void conversionArguments_data();
    void conversionArguments();
    void conversionProgress_data();
    void conversionProgress();
    void realConversion_data();
    void realConversion();
    void mp4Arguments_data();
    void mp4Arguments();
    void prepareMP4_data();
    void prepareMP4();
    void prepareMP4Refuses_data();
    void prepareMP4Refuses();

private:
    TestMedia m_media;
};

void ConversionTest::conversionArguments_data()
{
    QTest::addColumn<DownloadProfile>("profile");
    QTest::addColumn<QStringList>("codec");

    QTest::newRow("mp3 at 192 kb/s") << audio(AudioFormat::mp3, 192, false)
                                     << QStringList { u"-c:a"_s, u"libmp3lame"_s, u"-b:a"_s, u"192k"_s,
                                            u"-id3v2_version"_s, u"3"_s };
    QTest::newRow("m4a at 256 kb/s") << audio(AudioFormat::m4a, 256, true)
                                     << QStringList { u"-c:a"_s, u"aac"_s, u"-b:a"_s, u"256k"_s, u"-movflags"_s,
                                            u"+faststart"_s };
    QTest::newRow("opus at 96 kb/s") << audio(AudioFormat::opus, 96, true)
                                     << QStringList { u"-c:a"_s, u"libopus"_s, u"-b:a"_s, u"96k"_s };
    QTest::newRow("flac takes no bit rate") << audio(AudioFormat::flac, 320, false)
                                            << QStringList { u"-c:a"_s, u"flac"_s };
    QTest::newRow("wav is 16-bit PCM") << audio(AudioFormat::wav, 0, true)
                                       << QStringList { u"-c:a"_s, u"pcm_s16le"_s };
    QTest::newRow("original copies the stream") << audio(AudioFormat::original, -5, false)
                                                << QStringList { u"-c:a"_s, u"copy"_s };
}

void ConversionTest::conversionArguments()
{
    QFETCH(DownloadProfile, profile);
    QFETCH(QStringList, codec);

    const VideoInfo video = tonesVideo();
    QStringList expected { u"-hide_banner"_s, u"-loglevel"_s, u"error"_s, u"-nostdin"_s, u"-protocol_whitelist"_s,
        u"file,pipe"_s, u"-i"_s, u"/c/source.m4a"_s, u"-map"_s, u"0:a:0"_s, u"-vn"_s };
    expected << codec << u"-map_metadata"_s << u"-1"_s;
    if (profile.metadata)
        expected << u"-metadata"_s << u"title=Dos tonos: \"prueba\""_s << u"-metadata"_s << u"artist=Brisomar"_s
                 << u"-metadata"_s << u"comment=https://www.youtube.com/watch?v=abcdefghijk"_s;
    expected << u"-progress"_s << u"pipe:1"_s << u"-nostats"_s << u"-n"_s << u"/w/export.x"_s;
    QCOMPARE(Downloader::conversionArguments(u"/c/source.m4a"_s, profile, video, u"/w/export.x"_s), expected);
}

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

void ConversionTest::realConversion_data()
{
    QTest::addColumn<DownloadProfile>("profile");
    QTest::addColumn<QString>("codec");

    QTest::newRow("mp3 with tags") << audio(AudioFormat::mp3, 128, true) << u"mp3"_s;
    QTest::newRow("opus without tags") << audio(AudioFormat::opus, 96, false) << u"opus"_s;
    QTest::newRow("flac with tags") << audio(AudioFormat::flac, 0, true) << u"flac"_s;
}

// The conversion as export runs it, from the 12-second WAV straight to the form.
void ConversionTest::realConversion()
{
    QFETCH(DownloadProfile, profile);
    QFETCH(QString, codec);

    QTemporaryDir work;
    const QString output = work.filePath(u"export."_s + ext(profile.audio));
    const QString input = m_media.path(u"tone.wav"_s);
    const Toolchain tools;
    QList<double> seen;
    tools.run(u"ffmpeg"_s, Downloader::conversionArguments(input, profile, tonesVideo(), output),
        std::make_shared<Cancellation>(), 120, [&](const QString& line) {
            if (const std::optional<double> value = Downloader::conversionProgress(line, 12))
                seen.append(*value);
        });

    const MediaProbe result = Downloader().probe(output, std::make_shared<Cancellation>());
    QCOMPARE(result.codecs, QStringList { codec });
    QVERIFY2(qAbs(result.duration - 12) < 0.2, qPrintable(QString::number(result.duration)));
    QVERIFY(!seen.isEmpty());
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QCOMPARE(seen.constLast(), 0.98);
    const QMap<QString, QString> tags = TestSupport::mediaTags(output);
    QCOMPARE(tags.value(u"title"_s), profile.metadata ? tonesVideo().title : QString());
    QCOMPARE(tags.value(u"artist"_s), profile.metadata ? u"Brisomar"_s : QString());
}

void ConversionTest::mp4Arguments_data()
{
    QTest::addColumn<bool>("copyVideo");
    QTest::addColumn<bool>("copyAudio");
    QTest::addColumn<QStringList>("codecs");

    QTest::newRow("both copied") << true << true
                                 << QStringList { u"-c:v"_s, u"copy"_s, u"-c:a"_s, u"copy"_s };
    QTest::newRow("both re-encoded")
        << false << false
        << QStringList { u"-c:v"_s, u"libx264"_s, u"-preset"_s, u"veryfast"_s, u"-crf"_s, u"18"_s, u"-pix_fmt"_s,
               u"yuv420p"_s, u"-vf"_s, u"scale=trunc(iw/2)*2:trunc(ih/2)*2"_s, u"-c:a"_s, u"aac"_s };
    QTest::newRow("picture copied, sound re-encoded")
        << true << false << QStringList { u"-c:v"_s, u"copy"_s, u"-c:a"_s, u"aac"_s };
}

void ConversionTest::mp4Arguments()
{
    QFETCH(bool, copyVideo);
    QFETCH(bool, copyAudio);
    QFETCH(QStringList, codecs);

    const QStringList expected = QStringList { u"-v"_s, u"error"_s, u"-nostdin"_s, u"-protocol_whitelist"_s,
                                     u"file,pipe"_s, u"-i"_s, u"/w/source.mkv"_s, u"-map"_s, u"0:v:0"_s, u"-map"_s,
                                     u"0:a:0?"_s }
        + codecs + QStringList { u"-movflags"_s, u"+faststart"_s, u"-n"_s, u"/w/export.mp4"_s };
    QCOMPARE(Downloader::mp4Arguments(u"/w/source.mkv"_s, u"/w/export.mp4"_s, copyVideo, copyAudio), expected);
}

void ConversionTest::prepareMP4_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QStringList>("codecs");
    QTest::addColumn<qint64>("resolution");

    const QString copying = u"Preparando MP4 para Mac…"_s;
    const QString converting = u"Convirtiendo video a MP4 compatible con Mac…"_s;
    QTest::newRow("H.264 and AAC are copied") << u"h264-aac.mkv"_s << copying
                                              << QStringList { u"h264"_s, u"aac"_s } << qint64(240);
    QTest::newRow("VP9 and Opus are re-encoded")
        << u"vp9-opus.mkv"_s << converting << QStringList { u"h264"_s, u"aac"_s } << qint64(240);
    QTest::newRow("an odd frame size is made even")
        << u"odd.mkv"_s << converting << QStringList { u"h264"_s, u"aac"_s } << qint64(240);
    QTest::newRow("a silent video stays silent") << u"silent.mkv"_s << copying << QStringList { u"h264"_s }
                                                 << qint64(240);
}

void ConversionTest::prepareMP4()
{
    QFETCH(QString, input);
    QFETCH(QString, detail);
    QFETCH(QStringList, codecs);
    QFETCH(qint64, resolution);

    QTemporaryDir work;
    const QString output = work.filePath(u"export.mp4"_s);
    // A leftover of an earlier attempt: ffmpeg never overwrites, so it must go first.
    QVERIFY(TestSupport::writeFile(output, "stale"));
    QList<DownloadUpdate> updates;
    const Downloader engine;
    engine.prepareMP4(m_media.path(input), output, std::make_shared<Cancellation>(),
        [&](const DownloadUpdate& update) { updates.append(update); });

    const QList<DownloadUpdate> expected { { JobState::converting, 0.94, detail, false } };
    QCOMPARE(updates, expected);
    const MediaProbe result = engine.probe(output, std::make_shared<Cancellation>());
    QCOMPARE(result.codecs, codecs);
    QCOMPARE(result.resolution, resolution);
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
    QCOMPARE(failure([&] {
        Downloader(Toolchain(stand.root())).prepareMP4(m_media.path(input), output, nullptr, {});
    }),
        u"El video supera las 12 horas o no contiene imagen válida."_s);
    QVERIFY(stand.runs(u"ffmpeg"_s).isEmpty());
    QVERIFY(!QFile::exists(output));
}

QTEST_GUILESS_MAIN(ConversionTest)
#include "tst_conversion.moc"
