#include "DownloadProfile.h"

#include "Fixtures.h"
#include "TestSupport.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Fixtures::audioProfile;
using Fixtures::videoProfile;

class TestDownloadProfile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void describe_data();
    void describe();
};

// Key, label and the validation error.
void TestDownloadProfile::describe_data()
{
    QTest::addColumn<DownloadProfile>("profile");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("error");
    const QString fine = u"(no error)"_s;
    const QString badAudio = u"Elegí una calidad de audio disponible."_s;
    QTest::newRow("default") << DownloadProfile() << u"audio-mp3-192-1"_s << u"MP3 · 192 kbps"_s << fine;
    QTest::newRow("mp3 160") << audioProfile(AudioFormat::mp3, 160) << u"audio-mp3-160-1"_s << u"MP3 · 160 kbps"_s
                             << badAudio;
    QTest::newRow("opus 160") << audioProfile(AudioFormat::opus, 160) << u"audio-opus-160-1"_s << u"OPUS · 160 kbps"_s
                              << fine;
    QTest::newRow("m4a 320") << audioProfile(AudioFormat::m4a, 320) << u"audio-m4a-320-1"_s << u"M4A · 320 kbps"_s
                             << badAudio;
    QTest::newRow("flac any bitrate") << audioProfile(AudioFormat::flac, -7) << u"audio-flac-0-1"_s << u"FLAC"_s
                                      << fine;
    QTest::newRow("original") << audioProfile(AudioFormat::original, 0) << u"audio-original-0-1"_s << u"ORIGINAL"_s
                              << fine;
    // A video's key and label leave out the audio fields, which are not checked either.
    DownloadProfile best = videoProfile(VideoContainer::mkv, 0, false);
    best.bitrate = 1;
    QTest::newRow("mkv best") << best << u"video-mkv-0-0"_s << u"MKV · Máxima"_s << fine;
    QTest::newRow("height 1000") << videoProfile(VideoContainer::mp4, 1000, false) << u"video-mp4-1000-0"_s
                                 << u"MP4 · hasta 1000p"_s << u"Elegí una resolución disponible."_s;
}

void TestDownloadProfile::describe()
{
    QFETCH(DownloadProfile, profile);
    QFETCH(QString, key);
    QFETCH(QString, label);
    QFETCH(QString, error);
    QCOMPARE(profile.key(), key);
    QCOMPARE(profile.label(), label);
    QCOMPARE(TestSupport::failure([&] { profile.validate(); }), error);
}

QTEST_GUILESS_MAIN(TestDownloadProfile)
#include "tst_downloadprofile.moc"
