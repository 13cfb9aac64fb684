#include "BrisError.h"
#include "VideoInfo.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestVideoInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void outputBounds();
    void renditions_data();
    void renditions();
    void derivedValues();
};

namespace {

const QString ytID = u"dQw4w9WgXcQ"_s;
const MediaLink youtube = *MediaLink::make(u"https://youtu.be/dQw4w9WgXcQ"_s);
const MediaLink instagram = *MediaLink::make(u"https://www.instagram.com/p/Cabcde/"_s);
const QString nothingUsable = u"No se encontró un video publicado de hasta 12 horas con formatos disponibles. "
                              u"Las fotos y publicaciones sin video no se pueden descargar."_s;

QJsonObject with(QJsonObject object, const QString& key, const QJsonValue& value)
{
    value.isUndefined() ? void(object.remove(key)) : void(object.insert(key, value));
    return object;
}

QJsonObject entry(const QString& id, const QString& extractor = u"instagram"_s)
{
    const QJsonObject format { { u"vcodec"_s, u"h264"_s }, { u"acodec"_s, u"aac"_s }, { u"height"_s, 128 },
        { u"width"_s, 128 } };
    return { { u"id"_s, id }, { u"extractor"_s, extractor }, { u"title"_s, u"Clip"_s }, { u"uploader"_s, u"me"_s },
        { u"duration"_s, 12 }, { u"formats"_s, QJsonArray { format } } };
}

QByteArray post(const QJsonArray& entries, const QString& title = {})
{
    QJsonObject root { { u"extractor"_s, u"instagram"_s }, { u"entries"_s, entries } };
    if (!title.isEmpty())
        root.insert(u"title"_s, title);
    return QJsonDocument(root).toJson();
}

QByteArray bytes(const QJsonObject& object)
{
    return QJsonDocument(object).toJson();
}

// "count: first title / first author", or the error shown.
QString outcome(const QByteArray& output, const MediaLink& link)
{
    try {
        const QList<VideoInfo> videos = VideoInfo::parseAll(output, link);
        return u"%1: %2 / %3"_s.arg(videos.size()).arg(videos.first().title, videos.first().author);
    } catch (const BrisError& e) {
        return e.errorDescription();
    }
}

QJsonArray entries(int count)
{
    QJsonArray list;
    for (int i = 0; i < count; ++i)
        list.append(entry(u"id%1"_s.arg(i)));
    return list;
}

} // namespace

void TestVideoInfo::parse_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("onYouTube");
    QTest::addColumn<QString>("result");

    const QString tooMany = u"Elegí una publicación individual con hasta 20 videos."_s;
    const QString foreign = u"La plataforma devolvió un enlace de otro servicio o una publicación no compatible."_s;
    const QString live = u"Los directos en curso y estrenos futuros no están disponibles."_s;
    const QJsonObject video = entry(ytID, u"youtube"_s);
    QJsonArray withRepeats = entries(20);
    withRepeats[3] = entry(u"id2"_s);
    withRepeats[4] = with(entry(u"id4"_s), u"duration"_s, 43200.5);

    QTest::newRow("top-level array") << QByteArray("[{}]") << false << u"No se pudo leer la información del video."_s;
    QTest::newRow("entries for youtube") << post({ video }) << true << tooMany;
    QTest::newRow("21 entries") << post(entries(21)) << false << tooMany;
    QTest::newRow("20 entries, repeats and too long skipped") << post(withRepeats) << false << u"18: Clip / me"_s;
    QTest::newRow("generic extractor") << post({ entry(u"1"_s, u"Generic"_s) }) << false << foreign;
    QTest::newRow("one foreign entry spoils the post")
        << post({ entry(u"1"_s), entry(u"2"_s, u"youtube"_s) }) << false << foreign;
    QTest::newRow("id with slash") << bytes(entry(u"../etc"_s)) << false << foreign;
    QTest::newRow("is_live") << bytes(with(video, u"is_live"_s, true)) << true << live;
    QTest::newRow("youtube id mismatch") << bytes(entry(u"aaaaaaaaaaa"_s, u"youtube"_s)) << true
                                         << u"El video recibido no coincide con el enlace."_s;
    QTest::newRow("12 hours kept") << bytes(with(video, u"duration"_s, 43200)) << true << u"1: Clip / me"_s;
    QTest::newRow("only entry too long") << bytes(with(video, u"duration"_s, 43200.5)) << true << nothingUsable;

    const QJsonObject ig = entry(u"C1"_s);
    QTest::newRow("title of controls falls back")
        << bytes(with(ig, u"title"_s, u"\u0007 \u200E\n\t "_s)) << false << u"1: Instagram C1 / me"_s;
    QTest::newRow("title cut to 500") << bytes(with(ig, u"title"_s, u"a\nb"_s + QString(600, u'é'))) << false
                                      << u"1: a b"_s + QString(497, u'é') + u" / me"_s;
    QTest::newRow("post title when the entry has none")
        << post({ with(ig, u"title"_s, QJsonValue::Undefined) }, u"Post"_s) << false << u"1: Post / me"_s;
}

void TestVideoInfo::parse()
{
    QFETCH(QByteArray, output);
    QFETCH(bool, onYouTube);
    QFETCH(QString, result);
    QCOMPARE(outcome(output, onYouTube ? youtube : instagram), result);
}

void TestVideoInfo::outputBounds()
{
    QVERIFY_THROWS_EXCEPTION(JsonError, VideoInfo::parseAll("{\"id\": ", youtube));
    const QByteArray document = bytes(entry(ytID, u"youtube"_s));
    QByteArray output = document + QByteArray(16'000'000 - document.size(), ' ');
    QCOMPARE(outcome(output, youtube), u"1: Clip / me"_s);
    output.append(' ');
    QCOMPARE(outcome(output, youtube), u"No se pudo leer la información del video."_s);
}

// The entry around the format has a height of 1000 and no width.
void TestVideoInfo::renditions_data()
{
    QTest::addColumn<QJsonObject>("format");
    QTest::addColumn<QString>("kept"); // "height width codec audio bytes", empty when dropped
    const QJsonObject base { { u"vcodec"_s, u"h264"_s }, { u"acodec"_s, u"aac"_s }, { u"height"_s, 720 },
        { u"width"_s, 1280 } };
    QTest::newRow("plain") << base << u"720 1280 h264 1 -"_s;
    QTest::newRow("height 0") << with(base, u"height"_s, 0) << QString();
    QTest::newRow("height 16384.9 cut") << with(base, u"height"_s, 16384.9) << u"16384 1280 h264 1 -"_s;
    QTest::newRow("no height takes the entry's") << with(base, u"height"_s, u"720"_s) << u"1000 1280 h264 1 -"_s;
    QTest::newRow("audio only") << with(base, u"vcodec"_s, u"none"_s) << QString();
    QTest::newRow("drm") << with(base, u"has_drm"_s, true) << QString();
    QTest::newRow("no codec, no width") << with(with(base, u"vcodec"_s, 3), u"width"_s, QJsonValue::Undefined)
                                        << u"720 720 unknown 1 -"_s;
    QTest::newRow("approximate size") << with(base, u"filesize_approx"_s, 1234.7) << u"720 1280 h264 1 1234"_s;
}

void TestVideoInfo::renditions()
{
    QFETCH(QJsonObject, format);
    QFETCH(QString, kept);
    const QJsonObject document
        = with(with(entry(ytID, u"youtube"_s), u"height"_s, 1000), u"formats"_s, QJsonArray { format });
    QString described;
    try {
        const VideoFormat f = VideoInfo::parseAll(bytes(document), youtube).first().formats.first();
        described = u"%1 %2 %3 %4 %5"_s.arg(f.height)
                        .arg(f.width)
                        .arg(f.codec)
                        .arg(int(f.hasAudio))
                        .arg(f.bytes ? QString::number(*f.bytes) : u"-"_s);
    } catch (const BrisError&) { // dropped: nothing usable is left
    }
    QCOMPARE(described, kept);
}

void TestVideoInfo::derivedValues()
{
    VideoInfo video { u"C1"_s, u"t"_s, u"a"_s, 1, {}, MediaPlatform::instagram, {}, u"https://c.example/a.jpg"_s };
    const QString digest = QString::fromLatin1(QCryptographicHash::hash("C1", QCryptographicHash::Sha256).toHex());
    QCOMPARE(video.storageID(), u"instagram-"_s + digest);
    QCOMPARE(video.thumbnail(), QUrl(u"https://c.example/a.jpg"_s));
    video.thumbnailURL = u"HTTPS://c.example/a.jpg"_s;
    QCOMPARE(video.thumbnail(), std::nullopt);
    video.provider = MediaPlatform::youtube;
    QCOMPARE(video.storageID(), u"C1"_s);
    QCOMPARE(video.thumbnail(), QUrl(u"https://i.ytimg.com/vi/C1/hqdefault.jpg"_s));
}

QTEST_GUILESS_MAIN(TestVideoInfo)
#include "tst_videoinfo.moc"
