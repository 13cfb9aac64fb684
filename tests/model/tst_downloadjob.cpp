#include "DownloadJob.h"

#include "TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace Qt::Literals::StringLiterals;

class TestDownloadJob : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keys();
    void fileAvailable_data();
    void fileAvailable();
    void history();
    void records_data();
    void records();

private:
    QTemporaryDir m_dir;
};

namespace {

DownloadJob jobIn(const QString& folder, MediaPlatform platform = MediaPlatform::youtube)
{
    const VideoInfo video { u"dQw4w9WgXcQ"_s, u"t"_s, u"a"_s, 212, { { 720, 1280, u"avc1"_s, true, 1000 } }, platform,
        {}, {} };
    return DownloadJob::make(video, {}, folder, JobState::queued, false);
}

} // namespace

void TestDownloadJob::keys()
{
    const QString real = m_dir.filePath(u"real"_s);
    QVERIFY(QDir().mkpath(real));
    QVERIFY(QFile::link(real, m_dir.filePath(u"link"_s)));
    const QString key = jobIn(real).key();
    QCOMPARE(key, u"dQw4w9WgXcQ|audio-mp3-192-1|"_s + QFileInfo(real).canonicalFilePath());
    for (const QString& spelling : { u"link"_s, u"real/./sub/.."_s, u"real/"_s, u"link//"_s })
        QCOMPARE(jobIn(m_dir.filePath(spelling)).key(), key);

    // A folder that does not exist yet keeps its key once it is made.
    const QString later = m_dir.filePath(u"link/later/deeper"_s);
    const QString laterKey = jobIn(later).key();
    QVERIFY(QDir().mkpath(later));
    QCOMPARE(jobIn(later).key(), laterKey);
    QCOMPARE(jobIn(m_dir.filePath(u"real/later/deeper"_s)).key(), laterKey);
}

void TestDownloadJob::fileAvailable_data()
{
    QTest::addColumn<qint64>("recorded"); // -1: absent
    QTest::addColumn<qint64>("onDisk"); // -1: deleted
    QTest::addColumn<bool>("available");
    QTest::newRow("intact") << qint64(10) << qint64(10) << true;
    QTest::newRow("no size recorded") << qint64(-1) << qint64(10) << false;
    QTest::newRow("deleted") << qint64(10) << qint64(-1) << false;
    QTest::newRow("one byte longer") << qint64(10) << qint64(11) << false;
}

void TestDownloadJob::fileAvailable()
{
    QFETCH(qint64, recorded);
    QFETCH(qint64, onDisk);
    QFETCH(bool, available);
    const QString path = m_dir.filePath(u"saved.mp3"_s);
    QFile::remove(path);
    if (onDisk >= 0)
        QVERIFY(TestSupport::writeFile(path, QByteArray(onDisk, 'x')));
    DownloadJob job = jobIn(m_dir.path());
    QVERIFY(!job.fileAvailable());
    job.path = path;
    job.bytes = recorded >= 0 ? std::optional(recorded) : std::nullopt;
    QCOMPARE(job.fileAvailable(), available);
}

void TestDownloadJob::history()
{
    DownloadJob saved = jobIn(m_dir.path(), MediaPlatform::twitter);
    saved.state = JobState::completed;
    saved.path = m_dir.filePath(u"x.mkv"_s);
    saved.bytes = 4'000'000'000;
    saved.actualHeight = 720;
    saved.reusedOriginal = true;
    // What the metadata parser makes of absurd sizes: the ends of the 64-bit range.
    saved.video.formats.append(
        { 480, std::numeric_limits<qint64>::min(), u"vp9"_s, false, std::numeric_limits<qint64>::max() });
    const DownloadJob pending = jobIn(m_dir.path());
    QCOMPARE(pending.detail, u"En espera"_s);
    QVERIFY(pending.id != saved.id);

    const QByteArray history = DownloadJob::encodeHistory({ saved, pending });
    QCOMPARE(DownloadJob::decodeHistory(history), (QList { saved, pending }));
    const QJsonObject record = QJsonDocument::fromJson(history).array().at(1).toObject();
    QCOMPARE(record[u"id"_s].toString(), pending.id.toString(QUuid::WithoutBraces).toUpper());
    QVERIFY(!record.contains(u"path"_s) && !record.contains(u"bytes"_s) && !record.contains(u"actualHeight"_s));

    QJsonArray records = QJsonDocument::fromJson(history).array();
    records.append(QJsonObject { { u"id"_s, u"broken"_s } });
    QCOMPARE(DownloadJob::decodeHistory(QJsonDocument(records).toJson()), std::nullopt);

    // JSON has no NaN: such values must not make the whole history unreadable.
    DownloadJob odd = pending;
    odd.progress = qQNaN();
    odd.video.duration = qInf();
    const auto reread = DownloadJob::decodeHistory(DownloadJob::encodeHistory({ odd }));
    QVERIFY(reread && reread->first().progress == 0 && !reread->first().video.validSource());
}

// A first-version record, changed in one key; an empty value removes the key.
void TestDownloadJob::records_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<bool>("decodes");
    QTest::newRow("as written") << QString() << QJsonValue() << true;
    QTest::newRow("id with braces") << u"id"_s << QJsonValue(u"{0F8FAD5B-D9CB-469F-A165-70867728950E}"_s) << false;
    QTest::newRow("fractional bytes") << u"bytes"_s << QJsonValue(1.5) << false;
    QTest::newRow("bytes beyond 64 bits") << u"bytes"_s << QJsonValue(1e19) << false;
    QTest::newRow("no reusedOriginal") << u"reusedOriginal"_s << QJsonValue(QJsonValue::Undefined) << false;
    QTest::newRow("unknown state") << u"state"_s << QJsonValue(u"paused"_s) << false;
    QTest::newRow("created beyond any clock") << u"created"_s << QJsonValue(1e300) << false;
}

void TestDownloadJob::records()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    QFETCH(bool, decodes);
    QJsonObject record = QJsonDocument::fromJson(R"({"id": "0F8FAD5B-D9CB-469F-A165-70867728950E",
        "video": {"id": "dQw4w9WgXcQ", "title": "t", "author": "a", "duration": 12, "formats": []},
        "profile": {"kind": "audio", "audio": "mp3", "bitrate": 320, "container": "mp4", "height": 1080,
                    "metadata": true},
        "folder": "/tmp/x", "state": "completed", "progress": 1, "detail": "Guardado",
        "created": 700000000.25, "path": "/tmp/x/t.mp3", "bytes": 123, "reusedOriginal": false})")
                             .object();
    if (!key.isEmpty())
        value.isUndefined() ? void(record.remove(key)) : void(record.insert(key, value));
    const std::optional<DownloadJob> job = DownloadJob::fromJson(record);
    QCOMPARE(job.has_value(), decodes);
    if (job && key.isEmpty()) {
        QCOMPARE(job->key(), u"dQw4w9WgXcQ|audio-mp3-320-1|/tmp/x"_s);
        QCOMPARE(job->actualHeight, std::nullopt);
        QCOMPARE(job->created, QDateTime(QDate(2023, 3, 8), QTime(20, 26, 40, 250), Qt::UTC));
        QVERIFY(job->video.validSource());
    }
}

QTEST_GUILESS_MAIN(TestDownloadJob)
#include "tst_downloadjob.moc"
