#include "Fixtures.h"
#include "OfflineVideo.h"
#include "OriginalRecord.h"
#include "TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 mebibyte = 1024 * 1024;

// A cache entry of `bytes` that costs no disk: a sparse file, and an index dated
// `used` when there is one.
void plantEntry(const QString& cache, const QString& name, qint64 bytes, const QDateTime& used = {})
{
    QFile original(cache + u'/' + name + u"/source.m4a"_s);
    QVERIFY(QDir().mkpath(cache + u'/' + name) && original.open(QIODevice::WriteOnly) && original.resize(bytes));
    QFile index(cache + u'/' + name + u"/source.json"_s);
    if (used.isValid())
        QVERIFY(TestSupport::writeFile(
                    index.fileName(), OriginalRecord { name, u"source.m4a"_s, 12, bytes, std::nullopt }.toJson())
            && index.open(QIODevice::ReadWrite) && index.setFileTime(used, QFileDevice::FileModificationTime));
}

QStringList entries(const QString& cache)
{
    return QDir(cache).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// A link planted in the cache, to a folder whose file is not the cache's to delete.
QString plantLink(const QString& cache, const QTemporaryDir& outside)
{
    TestSupport::writeFile(outside.filePath(u"keep.bin"_s), "not the cache's");
    QFile::link(outside.path(), cache + u"/planted"_s);
    return outside.filePath(u"keep.bin"_s);
}

} // namespace

class OriginalsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entriesAreCheckedBeforeReuse_data();
    void entriesAreCheckedBeforeReuse();
    void trimKeepsTheRecentlyUsed_data();
    void trimKeepsTheRecentlyUsed();
    void clearingLeavesDownloadsAlone();
    void anIdThatIsAPathIsRefused();

private:
    TestMedia m_media;
};

void OriginalsTest::entriesAreCheckedBeforeReuse_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("fetchedAgain");
    for (const char* damage :
        { "foreign index", "escaping name", "one byte short", "picture", "picture at the same size", "link" })
        QTest::newRow(damage) << QString::fromLatin1(damage) << true;
    QTest::newRow("index of an earlier version") << u"undated"_s << false;
}

// A damaged, foreign or outdated entry is fetched again; a sound one is reused,
// measured again only when the file changed since it was last measured.
void OriginalsTest::entriesAreCheckedBeforeReuse()
{
    QFETCH(QString, change);
    QFETCH(bool, fetchedAgain);

    OfflineVideo offline(m_media, { u"h264.mp4"_s, u"tone.m4a"_s });
    offline.stand.logged(u"ffprobe"_s);
    const QString entry = offline.cacheEntry();
    const QString original = entry + u"/source.m4a"_s;
    const QString index = entry + u"/source.json"_s;
    QCOMPARE(offline.engine.original(offline.video, nullptr, {}).file, original);
    const OriginalRecord record = *OriginalRecord::fromJson(TestSupport::readFile(index));

    OriginalRecord changed = record;
    if (change == u"foreign index"_s) {
        changed.videoID = u"zzzzzzzzzzz"_s;
    } else if (change == u"escaping name"_s) {
        QVERIFY(QFile::copy(original, offline.data.filePath(u"source.m4a"_s)));
        changed.filename = u"../../source.m4a"_s;
    } else if (change == u"one byte short"_s) {
        QVERIFY(QFile::resize(original, record.bytes - 1));
    } else if (change.startsWith(u"picture"_s)) {
        QVERIFY(QFile::remove(original) && QFile::copy(m_media.path(u"h264-aac.mkv"_s), original));
        if (change == u"picture"_s)
            changed.bytes = QFileInfo(original).size();
        else
            QVERIFY(QFile::resize(original, record.bytes));
    } else if (change == u"link"_s) {
        const QString elsewhere = offline.data.filePath(u"elsewhere.m4a"_s);
        QVERIFY(QFile::rename(original, elsewhere) && QFile::link(elsewhere, original));
    } else {
        changed.modified.reset();
    }
    QVERIFY(TestSupport::writeFile(index, changed.toJson()));

    UpdateLog log;
    const Downloader::Original again = offline.engine.original(offline.video, nullptr, log.callback());
    QCOMPARE(again.reused, !fetchedAgain);
    QCOMPARE(again.file, original);
    QCOMPARE(offline.stand.runs(u"yt-dlp"_s).size(), fetchedAgain ? 2 : 1);
    QCOMPARE(log.any([](const DownloadUpdate& update) { return update.state == JobState::downloading; }), fetchedAgain);
    // The index is whole again and dated with its file.
    OriginalRecord now = *OriginalRecord::fromJson(TestSupport::readFile(index));
    QVERIFY(now.modified.has_value());
    if (fetchedAgain)
        now.modified = record.modified;
    QCOMPARE(now, record);
    // The entry is sound again: the next job is served from it, without a probe.
    const qsizetype probes = offline.stand.runs(u"ffprobe"_s).size();
    QCOMPARE(offline.engine.original(offline.video, nullptr, {}).reused, true);
    QCOMPARE(offline.stand.runs(u"ffprobe"_s).size(), probes);
}

void OriginalsTest::trimKeepsTheRecentlyUsed_data()
{
    QTest::addColumn<bool>("bigNewcomer");
    QTest::addColumn<QStringList>("kept");

    QTest::newRow("the oldest go until at most 1 GiB is left")
        << false << QStringList { u"abcdefghijk"_s, u"newer"_s, u"newest"_s };
    QTest::newRow("a new original above 1 GiB stays alone") << true << QStringList { u"abcdefghijk"_s };
}

void OriginalsTest::trimKeepsTheRecentlyUsed()
{
    QFETCH(bool, bigNewcomer);
    QFETCH(QStringList, kept);

    OfflineVideo offline(m_media, { u"h264.mp4"_s, u"tone.m4a"_s });
    const QString cache = offline.data.filePath(u"Originals"_s);
    const QDateTime now = QDateTime::currentDateTime();
    // 1,400 MiB in four entries; an entry without an index counts as the oldest.
    plantEntry(cache, u"undated"_s, 100 * mebibyte);
    plantEntry(cache, u"oldest"_s, 500 * mebibyte, now.addDays(-30));
    plantEntry(cache, u"newer"_s, 500 * mebibyte, now.addDays(-2));
    plantEntry(cache, u"newest"_s, 300 * mebibyte, now.addDays(-1));
    QTemporaryDir outside;
    const QString keep = plantLink(cache, outside);
    if (bigNewcomer) {
        QFile extra(offline.cacheEntry() + u"/extra.bin"_s);
        QVERIFY(
            QDir().mkpath(offline.cacheEntry()) && extra.open(QIODevice::WriteOnly) && extra.resize(1536 * mebibyte));
    }
    // Every regular file counts, the indexes too; what the link points at does not.
    qint64 indexes = 0;
    for (const QString& name : { u"oldest"_s, u"newer"_s, u"newest"_s })
        indexes += QFileInfo(cache + u'/' + name + u"/source.json"_s).size();
    QCOMPARE(offline.engine.cacheBytes(), (bigNewcomer ? 2936 : 1400) * mebibyte + indexes);

    QCOMPARE(offline.engine.original(offline.video, nullptr, {}).reused, false);
    QCOMPARE(entries(cache), kept);
    QVERIFY(QFileInfo::exists(keep));
}

void OriginalsTest::clearingLeavesDownloadsAlone()
{
    OfflineVideo offline(m_media, { u"h264.mp4"_s, u"tone.m4a"_s });
    const Outcome saved = offline.run(offline.job(Fixtures::audioProfile(AudioFormat::mp3)));
    QCOMPARE(saved.error, QString());
    const QString cache = offline.data.filePath(u"Originals"_s);
    QTemporaryDir outside;
    const QString keep = plantLink(cache, outside);

    offline.engine.clearCache();
    QCOMPARE(entries(cache), QStringList());
    QVERIFY(saved.job->fileAvailable());
    QVERIFY(QFileInfo::exists(keep));
}

// Records come back from the history file; a YouTube id names its cache entry.
void OriginalsTest::anIdThatIsAPathIsRefused()
{
    OfflineVideo offline(m_media, { u"h264.mp4"_s, u"tone.m4a"_s });
    VideoInfo video = offline.video;
    video.id = u"../../.."_s;
    QCOMPARE(TestSupport::failure([&] { offline.engine.original(video, nullptr, {}); }),
        u"El video de la descarga no es válido."_s);
    QVERIFY(offline.stand.runs(u"yt-dlp"_s).isEmpty());
}

QTEST_GUILESS_MAIN(OriginalsTest)
#include "tst_originals.moc"
