#include "Pixels.h"
#include "Symbols.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

int coverage(const QImage& image)
{
    int total = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            total += qAlpha(image.pixel(x, y));
    return total;
}

// A point of the 24-unit icon grid in a square of `size` pixels.
QPoint at(QPointF grid, int size)
{
    return (grid * size / 24.0).toPoint();
}

} // namespace

class TestSymbols : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everySymbolDraws();
    void unknownSymbolIsNull();
    void solidSymbols_data();
    void solidSymbols();
    void cacheKeepsColoursApart();
};

void TestSymbols::everySymbolDraws()
{
    QVERIFY(symbolNames().size() > 20);
    const QColor tint(40, 205, 65);
    for (const QString& name : symbolNames()) {
        const QImage image = symbolPixmap(name, tint, 24).toImage();
        QCOMPARE(image.size(), QSize(24, 24));
        QVERIFY2(coverage(image) > 255 * 8, qPrintable(name));
        // Tinting keeps the shape and replaces every colour.
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() >= 64)
                    COMPARE_COLOR(pixel, tint);
            }
        }
        QVERIFY2(coverage(symbolIcon(name, tint).pixmap(16).toImage()) > 0, qPrintable(name));
    }
}

void TestSymbols::unknownSymbolIsNull()
{
    QVERIFY(!hasSymbol(u"gearshape"_s));
    QVERIFY(symbolPixmap(u"gearshape"_s, Qt::black, 24).isNull());
    QVERIFY(symbolIcon(u"gearshape"_s, Qt::black).isNull());
    QVERIFY(symbolPixmap(u"folder"_s, Qt::black, 0).isNull());
}

void TestSymbols::solidSymbols_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPointF>("solid");
    QTest::addColumn<QPointF>("hole");
    QTest::newRow("filled check") << u"checkmark.circle.fill"_s << QPointF(12, 5) << QPointF(10.5, 14.5);
    QTest::newRow("outline check stays open") << u"checkmark.circle"_s << QPointF(10.5, 14.5) << QPointF(12, 5);
    QTest::newRow("filled play") << u"play.fill"_s << QPointF(10, 12) << QPointF(21, 3);
}

void TestSymbols::solidSymbols()
{
    QFETCH(QString, name);
    QFETCH(QPointF, solid);
    QFETCH(QPointF, hole);

    const QImage image = symbolPixmap(name, Qt::black, 48).toImage();
    QCOMPARE(image.pixelColor(at(solid, 48)).alpha(), 255);
    QCOMPARE(image.pixelColor(at(hole, 48)).alpha(), 0);
}

void TestSymbols::cacheKeepsColoursApart()
{
    const QPixmap coralOne = symbolPixmap(u"folder"_s, QColor(255, 74, 94), 24);
    const QPixmap again = symbolPixmap(u"folder"_s, QColor(255, 74, 94), 24);
    const QPixmap white = symbolPixmap(u"folder"_s, Qt::white, 24);
    const QPixmap faint = symbolPixmap(u"folder"_s, QColor(255, 255, 255, 100), 24);
    QCOMPARE(again.cacheKey(), coralOne.cacheKey());
    QVERIFY(white.cacheKey() != coralOne.cacheKey());
    QVERIFY(faint.cacheKey() != white.cacheKey());
    QVERIFY(coverage(faint.toImage()) < coverage(white.toImage()));
}

QTEST_MAIN(TestSymbols)
#include "tst_symbols.moc"
