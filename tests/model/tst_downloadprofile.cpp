#include "BrisError.h"
#include "DownloadProfile.h"

#include <QJsonDocument>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(DownloadProfile)

class TestDownloadProfile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keysAndLabels_data();
    void keysAndLabels();
    void validation_data();
    void validation();
    void unusedFieldsStayOutOfTheKey();
    void enumerationOrders();
    void jsonRoundTrip();
    void jsonRefused_data();
    void jsonRefused();
    void videoFormatJson();
};

namespace {

DownloadProfile audio(AudioFormat format, qint64 bitrate, bool metadata = true)
{
    DownloadProfile profile;
    profile.audio = format;
    profile.bitrate = bitrate;
    profile.metadata = metadata;
    return profile;
}

DownloadProfile video(VideoContainer container, qint64 height, bool metadata = true)
{
    DownloadProfile profile;
    profile.kind = DownloadKind::video;
    profile.container = container;
    profile.height = height;
    profile.metadata = metadata;
    return profile;
}

} // namespace

void TestDownloadProfile::keysAndLabels_data()
{
    QTest::addColumn<DownloadProfile>("profile");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("label");
    QTest::newRow("default") << DownloadProfile() << u"audio-mp3-192-1"_s << u"MP3 · 192 kbps"_s;
    QTest::newRow("mp3 320") << audio(AudioFormat::mp3, 320) << u"audio-mp3-320-1"_s << u"MP3 · 320 kbps"_s;
    QTest::newRow("opus 96 no tags") << audio(AudioFormat::opus, 96, false) << u"audio-opus-96-0"_s
                                     << u"OPUS · 96 kbps"_s;
    QTest::newRow("flac ignores bitrate") << audio(AudioFormat::flac, 777, false) << u"audio-flac-0-0"_s << u"FLAC"_s;
    QTest::newRow("original") << audio(AudioFormat::original, -5) << u"audio-original-0-1"_s << u"ORIGINAL"_s;
    QTest::newRow("mp4 1080") << video(VideoContainer::mp4, 1080) << u"video-mp4-1080-1"_s << u"MP4 · hasta 1080p"_s;
    QTest::newRow("mkv best") << video(VideoContainer::mkv, 0, false) << u"video-mkv-0-0"_s << u"MKV · Máxima"_s;
}

void TestDownloadProfile::keysAndLabels()
{
    QFETCH(DownloadProfile, profile);
    QFETCH(QString, key);
    QFETCH(QString, label);
    QCOMPARE(profile.key(), key);
    QCOMPARE(profile.label(), label);
}

void TestDownloadProfile::validation_data()
{
    QTest::addColumn<DownloadProfile>("profile");
    QTest::addColumn<QString>("error");
    const QString badAudio = u"Elegí una calidad de audio disponible."_s;
    const QString badHeight = u"Elegí una resolución disponible."_s;
    QTest::newRow("default passes") << DownloadProfile() << QString();
    QTest::newRow("mp3 160 fails") << audio(AudioFormat::mp3, 160) << badAudio;
    QTest::newRow("opus 160 passes") << audio(AudioFormat::opus, 160) << QString();
    QTest::newRow("m4a 320 fails") << audio(AudioFormat::m4a, 320) << badAudio;
    QTest::newRow("wav with 0 passes") << audio(AudioFormat::wav, 0) << QString();
    QTest::newRow("flac negative passes") << audio(AudioFormat::flac, -1) << QString();
    QTest::newRow("video 1000 fails") << video(VideoContainer::mp4, 1000) << badHeight;
    QTest::newRow("video 0 passes") << video(VideoContainer::mkv, 0) << QString();
    QTest::newRow("video 4320 passes") << video(VideoContainer::mkv, 4320) << QString();
    QTest::newRow("video ignores bad bitrate") << [] {
        DownloadProfile p = video(VideoContainer::mp4, 720);
        p.bitrate = 1;
        return p;
    }() << QString();
    QTest::newRow("audio ignores bad height") << [] {
        DownloadProfile p = audio(AudioFormat::mp3, 128);
        p.height = 1;
        return p;
    }() << QString();
}

void TestDownloadProfile::validation()
{
    QFETCH(DownloadProfile, profile);
    QFETCH(QString, error);
    try {
        profile.validate();
        QVERIFY2(error.isEmpty(), "validation passed");
    } catch (const BrisError& e) {
        QCOMPARE(e.kind(), BrisError::Kind::Message);
        QCOMPARE(e.errorDescription(), error);
    }
}

void TestDownloadProfile::unusedFieldsStayOutOfTheKey()
{
    DownloadProfile a = video(VideoContainer::mp4, 720);
    DownloadProfile b = a;
    b.audio = AudioFormat::flac;
    b.bitrate = 96;
    QCOMPARE(a.key(), b.key());
    QCOMPARE(a.label(), b.label());
    QVERIFY(a != b);
}

void TestDownloadProfile::enumerationOrders()
{
    QCOMPARE(allCases<AudioFormat>().size(), 6);
    QCOMPARE(allCases<AudioFormat>().last(), AudioFormat::original);
    QCOMPARE(qualities(AudioFormat::opus), (QList<qint64>{96, 128, 160, 192}));
    QCOMPARE(ext(AudioFormat::m4a), u"m4a"_s);
    QCOMPARE(title(AudioFormat::flac), u"FLAC · sin pérdida adicional"_s);
    QCOMPARE(allCases<VideoContainer>(), (QList{VideoContainer::mp4, VideoContainer::mkv}));
    QCOMPARE(title(VideoContainer::mp4), u"MP4 · compatible con Mac"_s);
    QCOMPARE(fromRawValue<DownloadKind>(u"video"_s), DownloadKind::video);
}

void TestDownloadProfile::jsonRoundTrip()
{
    const DownloadProfile profile{DownloadKind::video, AudioFormat::opus, 160, VideoContainer::mkv, 2160, false};
    const QByteArray bytes = QJsonDocument(profile.toJson()).toJson();
    QCOMPARE(DownloadProfile::fromJson(QJsonDocument::fromJson(bytes).object()), profile);
}

void TestDownloadProfile::jsonRefused_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value");
    QTest::newRow("upper-case audio") << u"audio"_s << QJsonValue(u"MP3"_s);
    QTest::newRow("unknown kind") << u"kind"_s << QJsonValue(u"image"_s);
    QTest::newRow("missing container") << u"container"_s << QJsonValue(QJsonValue::Undefined);
    QTest::newRow("bitrate as text") << u"bitrate"_s << QJsonValue(u"192"_s);
    QTest::newRow("fractional height") << u"height"_s << QJsonValue(720.5);
    QTest::newRow("metadata as number") << u"metadata"_s << QJsonValue(1);
}

void TestDownloadProfile::jsonRefused()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    QJsonObject object = DownloadProfile().toJson();
    if (value.isUndefined())
        object.remove(key);
    else
        object.insert(key, value);
    QCOMPARE(DownloadProfile::fromJson(object), std::nullopt);
}

void TestDownloadProfile::videoFormatJson()
{
    const VideoFormat sized{1080, 1920, u"avc1.640028"_s, true, 123456789012};
    const VideoFormat unsized{720, 1280, u"vp9"_s, false, std::nullopt};
    QCOMPARE(VideoFormat::fromJson(sized.toJson()), sized);
    QCOMPARE(VideoFormat::fromJson(unsized.toJson()), unsized);
    QVERIFY(!unsized.toJson().contains(u"bytes"_s));

    QJsonObject nullBytes = unsized.toJson();
    nullBytes.insert(u"bytes"_s, QJsonValue::Null);
    QCOMPARE(VideoFormat::fromJson(nullBytes), unsized);
    QJsonObject noCodec = sized.toJson();
    noCodec.remove(u"codec"_s);
    QCOMPARE(VideoFormat::fromJson(noCodec), std::nullopt);
}

QTEST_GUILESS_MAIN(TestDownloadProfile)
#include "tst_downloadprofile.moc"
