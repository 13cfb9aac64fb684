#include "BrisError.h"
#include "DownloadProfile.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestDownloadProfile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void describe_data();
    void describe();
    void unusedFieldsStayOutOfTheKey();
    void json();
};

// Key, label and the validation error (empty when the profile passes).
void TestDownloadProfile::describe_data()
{
    QTest::addColumn<DownloadProfile>("profile");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("error");
    const QString badAudio = u"Elegí una calidad de audio disponible."_s;
    const QString badHeight = u"Elegí una resolución disponible."_s;
    QTest::newRow("default") << DownloadProfile() << u"audio-mp3-192-1"_s << u"MP3 · 192 kbps"_s << QString();
    QTest::newRow("mp3 160") << DownloadProfile { .audio = AudioFormat::mp3, .bitrate = 160 } << u"audio-mp3-160-1"_s
                             << u"MP3 · 160 kbps"_s << badAudio;
    QTest::newRow("opus 160") << DownloadProfile { .audio = AudioFormat::opus, .bitrate = 160 } << u"audio-opus-160-1"_s
                              << u"OPUS · 160 kbps"_s << QString();
    QTest::newRow("m4a 320") << DownloadProfile { .audio = AudioFormat::m4a, .bitrate = 320 } << u"audio-m4a-320-1"_s
                             << u"M4A · 320 kbps"_s << badAudio;
    QTest::newRow("flac any bitrate") << DownloadProfile { .audio = AudioFormat::flac, .bitrate = -7 }
                                      << u"audio-flac-0-1"_s << u"FLAC"_s << QString();
    QTest::newRow("original") << DownloadProfile { .audio = AudioFormat::original, .bitrate = 0 }
                              << u"audio-original-0-1"_s << u"ORIGINAL"_s << QString();
    QTest::newRow("mkv best") << DownloadProfile { .kind = DownloadKind::video,
        .container = VideoContainer::mkv,
        .height = 0,
        .metadata = false } << u"video-mkv-0-0"_s
                              << u"MKV · Máxima"_s << QString();
    QTest::newRow("height 1000") << DownloadProfile { .kind = DownloadKind::video,
        .container = VideoContainer::mp4,
        .height = 1000,
        .metadata = false } << u"video-mp4-1000-0"_s
                                 << u"MP4 · hasta 1000p"_s << badHeight;
}

void TestDownloadProfile::describe()
{
    QFETCH(DownloadProfile, profile);
    QFETCH(QString, key);
    QFETCH(QString, label);
    QFETCH(QString, error);
    QCOMPARE(profile.key(), key);
    QCOMPARE(profile.label(), label);
    try {
        profile.validate();
        QCOMPARE(QString(), error);
    } catch (const BrisError& e) {
        QCOMPARE(e.errorDescription(), error);
    }
}

void TestDownloadProfile::unusedFieldsStayOutOfTheKey()
{
    DownloadProfile a = DownloadProfile {
        .kind = DownloadKind::video, .container = VideoContainer::mp4, .height = 720, .metadata = false
    };
    DownloadProfile b = a;
    b.audio = AudioFormat::flac;
    b.bitrate = 1; // not a quality of any format: must not matter for video
    b.validate();
    QCOMPARE(a.key(), b.key());
    QCOMPARE(a.label(), b.label());
    QVERIFY(a != b);
}

void TestDownloadProfile::json()
{
    const DownloadProfile profile { DownloadKind::video, AudioFormat::opus, 160, VideoContainer::mkv, 2160, false };
    QCOMPARE(DownloadProfile::fromJson(profile.toJson()), profile);
    const auto changed = [&](const QString& key, const QJsonValue& value) {
        QJsonObject object = profile.toJson();
        value.isUndefined() ? void(object.remove(key)) : void(object.insert(key, value));
        return DownloadProfile::fromJson(object);
    };
    QCOMPARE(changed(u"audio"_s, u"MP3"_s), std::nullopt);
    QCOMPARE(changed(u"height"_s, 720.5), std::nullopt);
    QCOMPARE(changed(u"metadata"_s, 1), std::nullopt);

    const VideoFormat sized { 1080, 1920, u"avc1"_s, true, 123456789012 };
    const VideoFormat unsized { 720, 1280, u"vp9"_s, false, std::nullopt };
    QCOMPARE(VideoFormat::fromJson(sized.toJson()), sized);
    QCOMPARE(VideoFormat::fromJson(unsized.toJson()), unsized);
    QVERIFY(!unsized.toJson().contains(u"bytes"_s));
}

QTEST_GUILESS_MAIN(TestDownloadProfile)
#include "tst_downloadprofile.moc"
