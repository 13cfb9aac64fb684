#include "JsonWriter.h"

#include <QJsonArray>
#include <QTest>
#include <QVariant>

#include <limits>

using namespace Qt::Literals::StringLiterals;

class TestJsonWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void texts_data();
    void texts();
    void numbers_data();
    void numbers();
    void structure();
};

namespace {

// `write` inside an array of its own, read back by Qt's parser.
template <class Write> QJsonValue readBack(Write write, QByteArray* text = nullptr)
{
    JsonWriter writer;
    writer.beginArray();
    write(writer);
    writer.endArray();
    const QByteArray written = writer.take();
    if (text)
        *text = written;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(written, &error);
    if (error.error != QJsonParseError::NoError || document.array().size() != 1)
        return QJsonValue(QJsonValue::Undefined);
    return document.array().first();
}

} // namespace

void TestJsonWriter::texts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("readAs");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("quotes and backslashes") << u"a \"b\" \\c\\ /"_s << u"a \"b\" \\c\\ /"_s;
    QTest::newRow("short escapes") << u"\n\r\t\b\f"_s << u"\n\r\t\b\f"_s;
    QTest::newRow("other controls") << u"\u0000\u0001\u001f\u007f"_s << u"\u0000\u0001\u001f\u007f"_s;
    QTest::newRow("two and three bytes") << u"ñandú — 東京"_s << u"ñandú — 東京"_s;
    QTest::newRow("four bytes") << u"a😀b"_s << u"a😀b"_s;
    QTest::newRow("format characters kept") << u"\u200b\u202e"_s << u"\u200b\u202e"_s;
    QTest::newRow("lone high surrogate") << QString(QChar(0xd800)) + u"x"_s << u"\ufffdx"_s;
    QTest::newRow("lone low surrogate at the end") << u"x"_s + QChar(0xdc00) << u"x\ufffd"_s;
    QTest::newRow("swapped pair") << QString(QChar(0xdc00)) + QChar(0xd800) << u"\ufffd\ufffd"_s;
}

void TestJsonWriter::texts()
{
    QFETCH(QString, text);
    QFETCH(QString, readAs);
    QByteArray written;
    const QJsonValue value = readBack([&](JsonWriter& w) { w.value(text); }, &written);
    QVERIFY2(value.isString(), written.constData());
    QCOMPARE(value.toString(), readAs);
    QVERIFY(QString::fromUtf8(written).toUtf8() == written); // well-formed UTF-8
}

// A number holds a double or a 64-bit integer, and picks the writer's overload.
void TestJsonWriter::numbers_data()
{
    QTest::addColumn<QVariant>("number");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("whole double") << QVariant(3.0) << QByteArray("[3]");
    QTest::newRow("fraction kept exactly") << QVariant(800000000.25) << QByteArray("[800000000.25]");
    QTest::newRow("shortest round trip") << QVariant(0.1) << QByteArray("[0.1]");
    QTest::newRow("huge double") << QVariant(1e300) << QByteArray("[1e+300]");
    QTest::newRow("not a number") << QVariant(qQNaN()) << QByteArray("[null]");
    QTest::newRow("infinity") << QVariant(-qInf()) << QByteArray("[null]");
    QTest::newRow("64-bit top") << QVariant(std::numeric_limits<qint64>::max()) << QByteArray("[9223372036854775807]");
    QTest::newRow("64-bit bottom") << QVariant(std::numeric_limits<qint64>::min())
                                   << QByteArray("[-9223372036854775808]");
}

void TestJsonWriter::numbers()
{
    QFETCH(QVariant, number);
    QFETCH(QByteArray, text);
    const bool integer = number.typeId() == QMetaType::LongLong;
    QByteArray written;
    const QJsonValue value = readBack(
        [&](JsonWriter& w) { integer ? w.value(number.toLongLong()) : w.value(number.toDouble()); }, &written);
    QCOMPARE(written, text);
    if (integer)
        QCOMPARE(value.toInteger(), number.toLongLong());
    else if (text != "[null]")
        QCOMPARE(value.toDouble(), number.toDouble());
}

void TestJsonWriter::structure()
{
    JsonWriter writer;
    writer.beginObject();
    writer.key("a"_L1);
    writer.beginArray();
    writer.endArray();
    writer.key("b"_L1);
    writer.beginArray();
    writer.value(true);
    writer.beginObject();
    writer.endObject();
    writer.value(false);
    writer.endArray();
    writer.key("c"_L1);
    writer.beginObject();
    writer.key("d"_L1);
    writer.value(qint64(1));
    writer.endObject();
    writer.endObject();
    QCOMPARE(writer.take(), QByteArray(R"({"a":[],"b":[true,{},false],"c":{"d":1}})"));
}

QTEST_GUILESS_MAIN(TestJsonWriter)
#include "tst_jsonwriter.moc"
