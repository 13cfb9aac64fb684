#include "BrisError.h"
#include "VideoInfo.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(std::optional<VideoFormat>)

class TestVideoInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void instagramPost();
    void refusedDocuments_data();
    void refusedDocuments();
    void notJson();
    void oversizedOutputIsRefusedBeforeParsing();
    void postOfTwentyEntries();
    void renditions_data();
    void renditions();
    void entryValuesStandInForRenditions();
    void skippedEntries();
    void cleanedTexts_data();
    void cleanedTexts();
    void storageIDs();
    void firstVersionRecord();
    void validSource_data();
    void validSource();
    void thumbnails_data();
    void thumbnails();
    void offeredHeights();
    void jsonRoundTrip();
};

namespace {

const QString ytID = u"dQw4w9WgXcQ"_s;

MediaLink linkTo(const QString& text)
{
    return *MediaLink::make(text);
}

MediaLink youtubeLink()
{
    return linkTo(u"https://youtu.be/"_s + ytID);
}

MediaLink instagramLink()
{
    return linkTo(u"https://www.instagram.com/p/Cabcde/"_s);
}

QJsonObject h264(qint64 height = 720, qint64 width = 1280)
{
    return {{u"vcodec"_s, u"h264"_s}, {u"acodec"_s, u"aac"_s}, {u"height"_s, height}, {u"width"_s, width}};
}

QJsonObject entry(const QString& id, const QString& extractor = u"instagram"_s)
{
    return {{u"id"_s, id},
            {u"extractor"_s, extractor},
            {u"title"_s, u"Clip "_s + id},
            {u"uploader"_s, u"someone"_s},
            {u"duration"_s, 12},
            {u"formats"_s, QJsonArray{h264(128, 128)}}};
}

QJsonObject post(const QJsonArray& entries)
{
    return {{u"extractor"_s, u"instagram"_s}, {u"id"_s, u"Cabcde"_s}, {u"entries"_s, entries}};
}

QByteArray bytes(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject with(QJsonObject object, const QString& key, const QJsonValue& value)
{
    if (value.isUndefined())
        object.remove(key);
    else
        object.insert(key, value);
    return object;
}

QString messageOf(const QByteArray& output, const MediaLink& link)
{
    try {
        VideoInfo::parseAll(output, link);
    } catch (const BrisError& e) {
        return e.errorDescription();
    }
    return u"(parsed)"_s;
}

const QString nothingUsable = u"No se encontró un video publicado de hasta 12 horas con formatos disponibles. "
                              u"Las fotos y publicaciones sin video no se pueden descargar."_s;

} // namespace

void TestVideoInfo::instagramPost()
{
    const QList<VideoInfo> videos =
        VideoInfo::parseAll(bytes(post({entry(u"111111"_s), entry(u"222222"_s)})), instagramLink());
    QCOMPARE(videos.size(), 2);
    QCOMPARE(videos[0].id, u"111111"_s);
    QCOMPARE(videos[1].id, u"222222"_s);
    for (const VideoInfo& video : videos) {
        QCOMPARE(video.sourceURL, instagramLink().url());
        QCOMPARE(video.provider, MediaPlatform::instagram);
        QCOMPARE(video.duration, 12.0);
        QCOMPARE(video.formats, (QList{VideoFormat{128, 128, u"h264"_s, true, std::nullopt}}));
        QCOMPARE(video.selectionArguments(), (QStringList{u"--match-filter"_s, u"id = "_s + video.id}));
        QVERIFY(video.validSource());
    }
}

void TestVideoInfo::refusedDocuments_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("error");

    const QString ig = instagramLink().url();
    const QString yt = youtubeLink().url();
    const QString unreadable = u"No se pudo leer la información del video."_s;
    const QString tooMany = u"Elegí una publicación individual con hasta 20 videos."_s;
    const QString foreign = u"La plataforma devolvió un enlace de otro servicio o una publicación no compatible."_s;
    const QString live = u"Los directos en curso y estrenos futuros no están disponibles."_s;
    const QJsonObject video = entry(ytID, u"youtube"_s);

    QTest::newRow("top-level array") << QByteArray("[{}]") << ig << unreadable;
    QTest::newRow("entries for youtube") << bytes(post({video})) << yt << tooMany;
    QJsonArray many;
    for (int i = 0; i < 21; ++i)
        many.append(entry(u"id%1"_s.arg(i)));
    QTest::newRow("21 entries") << bytes(post(many)) << ig << tooMany;
    QTest::newRow("generic extractor") << bytes(post({entry(u"111111"_s, u"Generic"_s)})) << ig << foreign;
    QTest::newRow("one foreign entry rejects the post")
        << bytes(post({entry(u"111111"_s), entry(u"222222"_s, u"youtube"_s)})) << ig << foreign;
    QTest::newRow("null extractor ends the search")
        << bytes(post({with(entry(u"111111"_s), u"extractor"_s, QJsonValue::Null)})) << ig << foreign;
    QTest::newRow("missing id") << bytes(with(entry(u"x"_s), u"id"_s, QJsonValue::Undefined)) << ig << foreign;
    QTest::newRow("id with slash") << bytes(entry(u"../etc"_s)) << ig << foreign;
    QTest::newRow("id of 121 characters") << bytes(entry(QString(121, u'a'))) << ig << foreign;
    QTest::newRow("numeric id") << bytes(with(entry(u"x"_s), u"id"_s, 12345)) << ig << foreign;
    QTest::newRow("is_live") << bytes(with(video, u"is_live"_s, true)) << yt << live;
    QTest::newRow("upcoming") << bytes(with(video, u"live_status"_s, u"is_upcoming"_s)) << yt << live;
    QTest::newRow("just ended") << bytes(with(video, u"live_status"_s, u"post_live"_s)) << yt << live;
    QTest::newRow("youtube id mismatch") << bytes(entry(u"aaaaaaaaaaa"_s, u"youtube"_s)) << yt
                                         << u"El video recibido no coincide con el enlace."_s;
    QTest::newRow("only entry too long") << bytes(with(video, u"duration"_s, 43200.5)) << yt << nothingUsable;
    QTest::newRow("negative duration") << bytes(with(video, u"duration"_s, -1)) << yt << nothingUsable;
    QTest::newRow("audio-only formats")
        << bytes(with(video, u"formats"_s, QJsonArray{QJsonObject{{u"vcodec"_s, u"none"_s}, {u"height"_s, 0}}}))
        << yt << nothingUsable;
    QTest::newRow("formats not all objects")
        << bytes(with(video, u"formats"_s, QJsonArray{h264(), 5})) << yt << nothingUsable;
    QTest::newRow("empty post") << bytes(post({})) << ig << nothingUsable;
}

void TestVideoInfo::refusedDocuments()
{
    QFETCH(QByteArray, output);
    QFETCH(QString, link);
    QFETCH(QString, error);
    QCOMPARE(messageOf(output, linkTo(link)), error);
}

void TestVideoInfo::notJson()
{
    QVERIFY_THROWS_EXCEPTION(JsonError, VideoInfo::parseAll("{\"id\": ", youtubeLink()));
    QVERIFY_THROWS_EXCEPTION(JsonError, VideoInfo::parseAll("", youtubeLink()));
}

void TestVideoInfo::oversizedOutputIsRefusedBeforeParsing()
{
    const QByteArray document = bytes(entry(ytID, u"youtube"_s));
    QByteArray output = document + QByteArray(16'000'000 - document.size(), ' ');
    QCOMPARE(VideoInfo::parseAll(output, youtubeLink()).size(), 1);
    // One byte more, still valid JSON: refused without parsing.
    output.append(' ');
    QCOMPARE(messageOf(output, youtubeLink()), u"No se pudo leer la información del video."_s);
}

void TestVideoInfo::postOfTwentyEntries()
{
    QJsonArray entries;
    for (int i = 0; i < 20; ++i)
        entries.append(entry(u"id%1"_s.arg(i)));
    // Repeated ids and unusable entries are skipped, not errors.
    entries[3] = entry(u"id2"_s);
    entries[4] = with(entry(u"id4"_s), u"duration"_s, 50000);
    const QList<VideoInfo> videos = VideoInfo::parseAll(bytes(post(entries)), instagramLink());
    QCOMPARE(videos.size(), 18);
    QCOMPARE(videos[3].id, u"id5"_s);
}

void TestVideoInfo::renditions_data()
{
    QTest::addColumn<QJsonObject>("format");
    QTest::addColumn<std::optional<VideoFormat>>("expected");

    const QJsonObject base = h264();
    const auto kept = [](qint64 height, qint64 width, const QString& codec, bool audio,
                         std::optional<qint64> size = std::nullopt) {
        return std::optional(VideoFormat{height, width, codec, audio, size});
    };
    QTest::newRow("plain") << base << kept(720, 1280, u"h264"_s, true);
    QTest::newRow("height 0") << with(base, u"height"_s, 0) << std::optional<VideoFormat>();
    QTest::newRow("height 16385") << with(base, u"height"_s, 16385) << std::optional<VideoFormat>();
    QTest::newRow("height 16384") << with(base, u"height"_s, 16384) << kept(16384, 1280, u"h264"_s, true);
    QTest::newRow("fractional height cut") << with(base, u"height"_s, 720.9) << kept(720, 1280, u"h264"_s, true);
    QTest::newRow("height below 1 after cut") << with(base, u"height"_s, 0.5) << std::optional<VideoFormat>();
    QTest::newRow("huge height") << with(base, u"height"_s, 1e300) << std::optional<VideoFormat>();
    QTest::newRow("height as text") << with(base, u"height"_s, u"720"_s) << kept(1000, 1280, u"h264"_s, true);
    QTest::newRow("no height takes the entry's") << with(base, u"height"_s, QJsonValue::Undefined)
                                                 << kept(1000, 1280, u"h264"_s, true);
    QTest::newRow("audio only") << with(base, u"vcodec"_s, u"none"_s) << std::optional<VideoFormat>();
    QTest::newRow("drm") << with(base, u"has_drm"_s, true) << std::optional<VideoFormat>();
    QTest::newRow("drm false") << with(base, u"has_drm"_s, false) << kept(720, 1280, u"h264"_s, true);
    QTest::newRow("codec of 99") << with(base, u"vcodec"_s, QString(99, u'c')) << kept(720, 1280, QString(99, u'c'), true);
    QTest::newRow("codec of 100") << with(base, u"vcodec"_s, QString(100, u'c')) << std::optional<VideoFormat>();
    QTest::newRow("codec missing") << with(base, u"vcodec"_s, QJsonValue::Undefined)
                                   << kept(720, 1280, u"unknown"_s, true);
    QTest::newRow("no width, none on entry") << with(with(base, u"width"_s, QJsonValue::Undefined), u"height"_s, 480)
                                             << kept(480, 480, u"h264"_s, true);
    QTest::newRow("acodec missing") << with(base, u"acodec"_s, QJsonValue::Undefined) << kept(720, 1280, u"h264"_s, false);
    QTest::newRow("acodec none") << with(base, u"acodec"_s, u"none"_s) << kept(720, 1280, u"h264"_s, false);
    QTest::newRow("acodec null") << with(base, u"acodec"_s, QJsonValue::Null) << kept(720, 1280, u"h264"_s, false);
    QTest::newRow("approximate size") << with(base, u"filesize_approx"_s, 1234.7) << kept(720, 1280, u"h264"_s, true, 1234);
    QTest::newRow("null size hides approximate")
        << with(with(base, u"filesize"_s, QJsonValue::Null), u"filesize_approx"_s, 99)
        << kept(720, 1280, u"h264"_s, true);
    QTest::newRow("exact size wins") << with(with(base, u"filesize"_s, 5000), u"filesize_approx"_s, 99)
                                     << kept(720, 1280, u"h264"_s, true, 5000);
}

void TestVideoInfo::renditions()
{
    QFETCH(QJsonObject, format);
    QFETCH(std::optional<VideoFormat>, expected);
    // The entry has a height but no width, to show which values come from it.
    const QJsonObject document = with(with(entry(ytID, u"youtube"_s), u"height"_s, 1000), u"formats"_s,
                                      QJsonArray{format});
    if (!expected) {
        QCOMPARE(messageOf(bytes(document), youtubeLink()), nothingUsable);
        return;
    }
    const QList<VideoInfo> videos = VideoInfo::parseAll(bytes(document), youtubeLink());
    QCOMPARE(videos.size(), 1);
    QCOMPARE(videos.first().formats, QList{*expected});
}

void TestVideoInfo::entryValuesStandInForRenditions()
{
    QJsonObject reel = entry(u"C1a2b3"_s);
    reel.remove(u"duration"_s);
    reel.insert(u"height"_s, 1920);
    reel.insert(u"width"_s, 1080);
    reel.insert(u"formats"_s, QJsonArray{QJsonObject{{u"format_id"_s, u"dash-1"_s}}, QJsonObject{{u"url"_s, u"x"_s}}});
    const VideoInfo video = VideoInfo::parseAll(bytes(reel), instagramLink()).first();
    QCOMPARE(video.duration, 0.0);
    QCOMPARE(video.formats.size(), 2);
    QCOMPARE(video.formats.first(), (VideoFormat{1920, 1080, u"unknown"_s, false, std::nullopt}));
    QCOMPARE(video.heights(VideoContainer::mp4), QList<qint64>{1080});
}

void TestVideoInfo::skippedEntries()
{
    // The limit itself is kept.
    const QJsonObject twelveHours = with(entry(ytID, u"youtube"_s), u"duration"_s, 43200);
    QCOMPARE(VideoInfo::parseAll(bytes(twelveHours), youtubeLink()).first().duration, 43200.0);
    // A YouTube entry without renditions is skipped before its id is compared.
    const QJsonObject otherWithout = with(entry(u"aaaaaaaaaaa"_s, u"youtube"_s), u"formats"_s, QJsonArray());
    QCOMPARE(messageOf(bytes(otherWithout), youtubeLink()), nothingUsable);
}

void TestVideoInfo::cleanedTexts_data()
{
    QTest::addColumn<QJsonObject>("document");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("author");

    const QJsonObject base = entry(u"C1a2b3"_s);
    QTest::newRow("controls only fall back") << with(base, u"title"_s, u"\u0007 \u200E\n\t "_s)
                                             << u"Instagram C1a2b3"_s << u"someone"_s;
    QTest::newRow("inner controls become spaces") << with(base, u"title"_s, u"  a\nb\u0000c\u202Ed  "_s)
                                                  << u"a b c d"_s << u"someone"_s;
    QTest::newRow("cut to 500 characters") << with(base, u"title"_s, QString(600, u'é'))
                                           << QString(500, u'é') << u"someone"_s;
    const auto inPost = [](const QJsonObject& only) {
        return with(post({only}), u"title"_s, u"Post title"_s);
    };
    QTest::newRow("entry without title takes the post's")
        << inPost(with(base, u"title"_s, QJsonValue::Undefined)) << u"Post title"_s << u"someone"_s;
    QTest::newRow("null entry title ends the search")
        << inPost(with(base, u"title"_s, QJsonValue::Null)) << u"Instagram C1a2b3"_s << u"someone"_s;
    QTest::newRow("channel when no uploader") << with(with(base, u"uploader"_s, QJsonValue::Undefined), u"channel"_s,
                                                      u"chan"_s)
                                              << u"Clip C1a2b3"_s << u"chan"_s;
    QTest::newRow("author falls back to platform") << with(base, u"uploader"_s, 42) << u"Clip C1a2b3"_s
                                                   << u"Instagram"_s;
}

void TestVideoInfo::cleanedTexts()
{
    QFETCH(QJsonObject, document);
    QFETCH(QString, title);
    QFETCH(QString, author);
    const VideoInfo video = VideoInfo::parseAll(bytes(document), instagramLink()).first();
    QCOMPARE(video.title, title);
    QCOMPARE(video.author, author);
}

void TestVideoInfo::storageIDs()
{
    VideoInfo onYouTube{u"abc-DEF_123"_s, u"t"_s, u"a"_s, 1, {}, MediaPlatform::youtube, {}, {}};
    VideoInfo onInstagram = onYouTube;
    onInstagram.provider = MediaPlatform::instagram;
    VideoInfo onX = onYouTube;
    onX.provider = MediaPlatform::twitter;
    QCOMPARE(onYouTube.storageID(), u"abc-DEF_123"_s);
    const QByteArray digest = QCryptographicHash::hash("abc-DEF_123", QCryptographicHash::Sha256).toHex();
    QCOMPARE(onInstagram.storageID(), u"instagram-"_s + QString::fromLatin1(digest));
    QCOMPARE(onX.storageID(), u"twitter-"_s + QString::fromLatin1(digest));
}

void TestVideoInfo::firstVersionRecord()
{
    const QByteArray record = R"({"id": "dQw4w9WgXcQ", "title": "t", "author": "a", "duration": 12, "formats": []})";
    const std::optional<VideoInfo> video = VideoInfo::fromJson(QJsonDocument::fromJson(record).object());
    QVERIFY(video);
    QCOMPARE(video->provider, std::nullopt);
    QCOMPARE(video->platform(), MediaPlatform::youtube);
    QCOMPARE(video->url(), youtubeLink().url());
    QCOMPARE(video->storageID(), ytID);
    QVERIFY(video->validSource());
    QCOMPARE(video->toJson().keys().size(), 5);
}

void TestVideoInfo::validSource_data()
{
    QTest::addColumn<VideoInfo>("video");
    QTest::addColumn<bool>("valid");

    const VideoInfo good{u"C1a2b3"_s, u"t"_s, u"a"_s, 10, {}, MediaPlatform::instagram, instagramLink().url(), {}};
    QTest::newRow("parsed instagram record") << good << true;
    VideoInfo v = good;
    v.duration = 43200.5;
    QTest::newRow("too long") << v << false;
    v = good;
    v.duration = qQNaN();
    QTest::newRow("duration not a number") << v << false;
    v = good;
    v.id = u"a b"_s;
    QTest::newRow("bad id") << v << false;
    v = good;
    v.provider = MediaPlatform::facebook;
    QTest::newRow("address of another platform") << v << false;
    v = good;
    v.sourceURL = u"https://evil.example/p/Cabcde/"_s;
    QTest::newRow("address off the list") << v << false;
    v = good;
    v.provider = MediaPlatform::youtube;
    v.id = u"aaaaaaaaaaa"_s;
    v.sourceURL = youtubeLink().url();
    QTest::newRow("youtube id not the link's") << v << false;
    v.id = ytID;
    QTest::newRow("youtube id of the link") << v << true;
}

void TestVideoInfo::validSource()
{
    QFETCH(VideoInfo, video);
    QFETCH(bool, valid);
    QCOMPARE(video.validSource(), valid);
}

void TestVideoInfo::thumbnails_data()
{
    QTest::addColumn<VideoInfo>("video");
    QTest::addColumn<QString>("thumbnail");
    const VideoInfo yt{ytID, u"t"_s, u"a"_s, 1, {}, {}, {}, u"http://ignored.example/x.jpg"_s};
    QTest::newRow("youtube") << yt << u"https://i.ytimg.com/vi/dQw4w9WgXcQ/hqdefault.jpg"_s;
    VideoInfo ig{u"C1"_s, u"t"_s, u"a"_s, 1, {}, MediaPlatform::instagram, {}, u"https://cdn.example/a.jpg?x=1"_s};
    QTest::newRow("instagram https") << ig << u"https://cdn.example/a.jpg?x=1"_s;
    ig.thumbnailURL = u"http://cdn.example/a.jpg"_s;
    QTest::newRow("instagram http") << ig << QString();
    ig.thumbnailURL = u"HTTPS://cdn.example/a.jpg"_s;
    QTest::newRow("scheme in capitals") << ig << QString();
    ig.thumbnailURL = std::nullopt;
    QTest::newRow("none given") << ig << QString();
}

void TestVideoInfo::thumbnails()
{
    QFETCH(VideoInfo, video);
    QFETCH(QString, thumbnail);
    const std::optional<QUrl> address = video.thumbnail();
    QCOMPARE(address ? address->toString() : QString(), thumbnail);
}

void TestVideoInfo::offeredHeights()
{
    VideoInfo video;
    video.formats = {{1080, 1920, u"h264"_s, true, {}},
                     {720, 1280, u"h264"_s, true, {}},
                     {1920, 1080, u"h264"_s, true, {}},
                     {1280, 720, u"vp9"_s, false, {}},
                     {480, -1, u"vp9"_s, false, {}}};
    QCOMPARE(video.heights(VideoContainer::mkv), (QList<qint64>{1080, 720, 480}));
    QCOMPARE(video.heights(VideoContainer::mp4), video.heights(VideoContainer::mkv));
}

void TestVideoInfo::jsonRoundTrip()
{
    const QList<VideoInfo> parsed = VideoInfo::parseAll(
        bytes(with(entry(u"C1a2b3"_s), u"thumbnail"_s, u"https://cdn.example/t.jpg"_s)), instagramLink());
    const VideoInfo& video = parsed.first();
    const QByteArray stored = QJsonDocument(video.toJson()).toJson();
    QCOMPARE(VideoInfo::fromJson(QJsonDocument::fromJson(stored).object()), video);

    QCOMPARE(VideoInfo::fromJson(with(video.toJson(), u"provider"_s, u"vimeo"_s)), std::nullopt);
    QCOMPARE(VideoInfo::fromJson(with(video.toJson(), u"formats"_s, QJsonArray{1})), std::nullopt);
    QCOMPARE(VideoInfo::fromJson(with(video.toJson(), u"sourceURL"_s, 5)), std::nullopt);
    QCOMPARE(VideoInfo::fromJson(with(video.toJson(), u"provider"_s, QJsonValue::Null))->provider, std::nullopt);
}

QTEST_GUILESS_MAIN(TestVideoInfo)
#include "tst_videoinfo.moc"
