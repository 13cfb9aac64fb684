#include "Preferences.h"
#include "TextHelpers.h"

#include <QTest>

#include <limits>

using namespace Qt::Literals::StringLiterals;

class TestPreferences : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reading_data();
    void reading();
    void safeNames_data();
    void safeNames();
    void durationsAndSizes();
};

// Reading is tolerant key by key; "null" marks a document that is refused whole.
void TestPreferences::reading_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("expected"); // folder|appearance|metadata|link length|profile key
    const QString folder = Preferences::defaultFolder();
    QVERIFY(folder.endsWith(u"/Brisomar"_s));
    QTest::newRow("empty object") << QByteArray("{}") << folder + u"|dark|1|0|-"_s;
    QTest::newRow("bad metadata, no appearance, long link")
        << (R"({"folder": "/srv", "metadata": "false", "lastLink": ")" + QByteArray(5000, 'l') + "\"}")
        << u"/srv|dark|1|4096|-"_s;
    QTest::newRow("profile of unknown kind")
        << QByteArray(R"({"appearance": "sepia", "metadata": false, "lastProfile": {"kind": "gif", "audio": "mp3",
                       "bitrate": 192, "container": "mp4", "height": 1080, "metadata": true}})")
        << folder + u"|sepia|0|0|-"_s;
    QTest::newRow("wrong types") << QByteArray(R"({"folder": 7, "lastLink": null, "lastProfile": "audio"})")
                                 << folder + u"|dark|1|0|-"_s;
    QTest::newRow("array") << QByteArray("[]") << u"null"_s;
    QTest::newRow("not json") << QByteArray("folder=/tmp") << u"null"_s;
}

void TestPreferences::reading()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, expected);
    const std::optional<Preferences> p = Preferences::decode(stored);
    QCOMPARE(p ? u"%1|%2|%3|%4|%5"_s.arg(p->folder, p->appearance)
                     .arg(int(p->metadata))
                     .arg(p->lastLink.size())
                     .arg(p->lastProfile ? p->lastProfile->key() : u"-"_s)
               : u"null"_s,
        expected);
    if (p) { // whatever was read is written back unchanged
        Preferences changed = *p;
        changed.lastProfile
            = DownloadProfile { DownloadKind::video, AudioFormat::wav, 0, VideoContainer::mkv, 0, false };
        QCOMPARE(Preferences::decode(changed.encode()), changed);
    }
}

void TestPreferences::safeNames_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("name");
    QTest::newRow("path traversal and line break") << u"../../evil/\nname"_s << u"evil  name"_s;
    QTest::newRow("separators and controls") << u"a:b\\c\u0000d\u200Be"_s << u"a b c d e"_s;
    QTest::newRow("inner dots and spaces kept") << u" .a..b   c. "_s << u"a..b   c"_s;
    QTest::newRow("dots only") << u"..."_s << u"Brisomar"_s;
    QTest::newRow("empty") << QString() << u"Brisomar"_s;
    QTest::newRow("200 two-byte letters") << QString(200, u'é') << QString(80, u'é');
    QTest::newRow("exactly 160 bytes") << QString(158, u'a') + u"é"_s << QString(158, u'a') + u"é"_s;
    QTest::newRow("161 bytes lose the last letter") << QString(159, u'a') + u"é"_s << QString(159, u'a');
    QTest::newRow("flags never split") << u"a"_s + u"🇦🇷"_s.repeated(30) << u"a"_s + u"🇦🇷"_s.repeated(19);
    QTest::newRow("accent stays with its letter") << u"e\u0301"_s.repeated(60) << u"e\u0301"_s.repeated(53);
    QTest::newRow("lone surrogate") << u"a"_s + QChar(0xD800) + u"b"_s << u"a b"_s;
}

void TestPreferences::safeNames()
{
    QFETCH(QString, title);
    QFETCH(QString, name);
    QCOMPARE(safeName(title), name);
}

void TestPreferences::durationsAndSizes()
{
    QCOMPARE(timeString(0), u"Por confirmar"_s);
    QCOMPARE(timeString(qQNaN()), u"Por confirmar"_s);
    QCOMPARE(timeString(59.9), u"0:59"_s);
    QCOMPARE(timeString(61), u"1:01"_s);
    QCOMPARE(timeString(3600), u"1:00:00"_s);
    QVERIFY(!timeString(std::numeric_limits<double>::max()).isEmpty());
    // The tests run in the C locale.
    QCOMPARE(bytesString(999), u"999 bytes"_s);
    QCOMPARE(bytesString(1'234'567), u"1.23 MB"_s);
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "tst_preferences.moc"
