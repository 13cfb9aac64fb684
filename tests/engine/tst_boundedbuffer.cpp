#include "BoundedBuffer.h"

#include <QTest>

class BoundedBufferTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsTheTail_data();
    void keepsTheTail();
};

void BoundedBufferTest::keepsTheTail_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QList<int>>("appends");

    QTest::newRow("below the limit") << 10 << QList<int> { 3, 4 };
    QTest::newRow("exactly the limit") << 10 << QList<int> { 4, 6 };
    QTest::newRow("one byte over") << 10 << QList<int> { 10, 1 };
    QTest::newRow("wraps many times in small pieces") << 10 << QList<int> { 3, 3, 3, 3, 3, 3, 3, 3, 3 };
    QTest::newRow("piece across the wrap point") << 10 << QList<int> { 7, 6, 5 };
    QTest::newRow("one piece larger than the limit") << 10 << QList<int> { 2, 25 };
    QTest::newRow("large piece after wrapping") << 10 << QList<int> { 7, 6, 10, 3 };
    QTest::newRow("empty pieces") << 10 << QList<int> { 0, 5, 0 };
    QTest::newRow("growing past several reserves") << 100000 << QList<int> { 1, 70000, 50000, 99999, 3 };
}

void BoundedBufferTest::keepsTheTail()
{
    QFETCH(int, limit);
    QFETCH(QList<int>, appends);

    BoundedBuffer buffer(limit);
    QByteArray everything;
    int next = 0;
    for (int size : appends) {
        QByteArray piece;
        for (int i = 0; i < size; ++i)
            piece.append(char('a' + (next++ % 26)));
        buffer.append(piece.constData(), piece.size());
        everything.append(piece);
        QCOMPARE(buffer.bytes(), everything.right(limit));
        QCOMPARE(buffer.size(), std::min<qsizetype>(everything.size(), limit));
    }
}

QTEST_APPLESS_MAIN(BoundedBufferTest)
#include "tst_boundedbuffer.moc"
