#include "BrisError.h"
#include "Downloader.h"
#include "StandInTools.h"
#include "StressSupport.h"
#include "TestMedia.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

DownloadProfile profile(DownloadKind kind)
{
    return { .kind = kind, .container = VideoContainer::mkv, .height = 0 };
}

// A tree around the download folder: whatever escapes the folder lands in it.
struct Surroundings
{
    Surroundings()
    {
        QDir(root.path()).mkpath(u"outer/inner/Descargas"_s);
        QDir(root.path()).mkpath(u"data"_s);
        QDir(root.path()).mkpath(u"sentinel/nested"_s);
        TestSupport::writeFile(root.filePath(u"sentinel/nested/keep.txt"_s), "untouched");
    }
    QString folder() const { return root.filePath(u"outer/inner/Descargas"_s); }
    QString data() const { return root.filePath(u"data"_s); }
    QString sentinel() const { return root.filePath(u"sentinel"_s); }
    // All but the folder, its work area and the program's data.
    QMap<QString, QString> outside() const
    {
        QMap<QString, QString> entries = StressSupport::snapshot(root.path());
        entries.removeIf([&](const auto& entry) {
            return entry.key().startsWith(folder() + u'/') || entry.key().startsWith(data() + u'/');
        });
        // Adding an entry to them changes their parents' times, which is no escape.
        for (const QString& parent : { folder(), data(), root.filePath(u"outer/inner"_s), root.filePath(u"outer"_s) })
            entries.remove(parent);
        return entries;
    }
    QStringList delivered() const
    {
        return QDir(folder())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
            .filter(QRegularExpression(u"^(?!\\.Brisomar$)"_s));
    }

    QTemporaryDir root;
};

} // namespace

class HostileNamesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titlesBecomeSafeNames_data();
    void titlesBecomeSafeNames();
    void reportedPathsStayInside_data();
    void reportedPathsStayInside();

private:
    TestMedia m_media;
    // The titles share one cache: after the first, each export only converts.
    StandInTools m_stand;
    Surroundings m_around;
};

void HostileNamesTest::titlesBecomeSafeNames_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("climbs two folders") << u"../../x"_s;
    QTest::newRow("absolute system file") << u"/etc/passwd"_s;
    QTest::newRow("parent") << u".."_s;
    QTest::newRow("hidden by a leading dot") << u".bashrc"_s;
    QTest::newRow("reads as an option") << u"--output=/tmp/x -rf"_s;
    QTest::newRow("control characters") << u"a\nb\tc\u0001d\u007fe\u001b[31m"_s;
    QTest::newRow("bidi override") << u"\u202Egnp.exe"_s;
    QTest::newRow("300 bytes, two-byte letters at the cut") << u"x"_s + QString(150, QChar(u'ñ'));
    QTest::newRow("400 bytes of emoji with skin tones") << QString(u"👍🏽"_s).repeated(50);
    QTest::newRow("overlong climb") << u"../"_s.repeated(120) + u"x"_s;
}

void HostileNamesTest::titlesBecomeSafeNames()
{
    QFETCH(QString, title);
    const VideoInfo video = StressSupport::serveOffline(m_stand, m_media, title);
    const Downloader engine(Toolchain(m_stand.root()), BrisPaths(m_around.data()));
    const auto before = m_around.outside();
    QStringList delivered = m_around.delivered();

    const DownloadJob done = engine.exportJob(
        DownloadJob::make(video, profile(DownloadKind::audio), m_around.folder(), JobState::queued, false), {}, {});

    QCOMPARE(m_around.outside(), before);
    const QFileInfo file(done.path.value());
    QCOMPARE(file.absolutePath(), m_around.folder());
    QStringList now = m_around.delivered();
    QVERIFY(now.removeOne(file.fileName()));
    QCOMPARE(now, delivered);
    const QString name = file.fileName();
    QVERIFY2(QFile::encodeName(name).size() <= 255, qPrintable(name));
    QVERIFY2(!name.startsWith(u'.') && !name.contains(u'/'), qPrintable(name));
    QVERIFY2(std::none_of(name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; }),
        qPrintable(name));
    QCOMPARE(QString::fromUtf8(QFile::encodeName(name)), name);
    QVERIFY(!name.contains(QChar::ReplacementCharacter));
}

void HostileNamesTest::reportedPathsStayInside_data()
{
    QTest::addColumn<DownloadKind>("kind");
    QTest::addColumn<QByteArray>("action");
    // $dir is the folder the engine asked for; $victim a real media file outside it.
    QTest::newRow("a file outside") << DownloadKind::audio << "report \"$victim\""_ba;
    QTest::newRow("a link to a file outside")
        << DownloadKind::audio << "ln -s \"$victim\" \"$dir/source.m4a\"; report \"$dir/source.m4a\""_ba;
    QTest::newRow("through a linked folder")
        << DownloadKind::audio << "ln -s \"$(dirname \"$victim\")\" \"$dir/sub\"; report \"$dir/sub/victim.m4a\""_ba;
    QTest::newRow("climbing out with dots")
        << DownloadKind::audio << "report \"$dir/$(realpath --relative-to=\"$dir\" \"$victim\")\""_ba;
    const QByteArray swap = "rmdir \"$dir\"; ln -s \"$(dirname \"$victim\")\" \"$dir\"; report \"$dir/victim.";
    QTest::newRow("the cache's download folder replaced by a link") << DownloadKind::audio << swap + "m4a\""_ba;
    QTest::newRow("the work folder replaced by a link") << DownloadKind::video << swap + "mkv\""_ba;
    QTest::newRow("a video linked from outside")
        << DownloadKind::video << "ln -s \"${victim%.m4a}.mkv\" \"$dir/source.mkv\"; report \"$dir/source.mkv\""_ba;
}

void HostileNamesTest::reportedPathsStayInside()
{
    QFETCH(DownloadKind, kind);
    QFETCH(QByteArray, action);
    StandInTools stand;
    Surroundings around;
    const QString victim = around.sentinel() + u"/nested/victim.m4a"_s;
    QVERIFY(QFile::copy(m_media.path(u"tone.m4a"_s), victim));
    QVERIFY(QFile::copy(m_media.path(u"h264-aac.mkv"_s), around.sentinel() + u"/nested/victim.mkv"_s));
    const VideoInfo video = StressSupport::serveOffline(stand, m_media, u"Dos tonos"_s);
    // The downloader writes nothing and claims it saved the victim.
    stand.script(u"yt-dlp"_s,
        "victim='"_ba + QFile::encodeName(victim)
            + "'\n"
              "report() { printf 'BRISOMAR_FILE:\"%s\"\\n' \"$1\"; }\n"
              "for a in \"$@\"; do [ \"$prev\" = --output ] && dir=$(dirname \"$a\"); prev=$a; done\n"
              "mkdir -p \"$dir\"\n"
            + action);
    const Downloader engine(Toolchain(stand.root()), BrisPaths(around.data()));
    const auto before = around.outside();

    QString failure;
    try {
        engine.exportJob(DownloadJob::make(video, profile(kind), around.folder(), JobState::queued, false), {}, {});
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    QCOMPARE(failure, u"La salida de la descarga no es un archivo válido."_s);
    QCOMPARE(around.outside(), before);
    QCOMPARE(around.delivered(), QStringList());

    // A retry with an honest downloader works where the engine put it, whatever the last run left.
    StressSupport::serveOffline(stand, m_media, u"Dos tonos"_s);
    const DownloadJob done
        = engine.exportJob(DownloadJob::make(video, profile(kind), around.folder(), JobState::queued, false), {}, {});
    QCOMPARE(around.outside(), before);
    QCOMPARE(around.delivered(), QStringList { QFileInfo(done.path.value()).fileName() });
}

QTEST_GUILESS_MAIN(HostileNamesTest)
#include "tst_hostilenames.moc"
