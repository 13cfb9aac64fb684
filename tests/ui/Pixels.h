#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdlib>

// Colour checks on rendered widgets.
namespace Pixels {

// `above` drawn over the opaque `below`.
inline QColor blend(const QColor& below, const QColor& above)
{
    const float a = above.alphaF();
    auto mix = [a](float under, float over) { return over * a + under * (1 - a); };
    return QColor::fromRgbF(
        mix(below.redF(), above.redF()), mix(below.greenF(), above.greenF()), mix(below.blueF(), above.blueF()));
}

inline bool near(const QColor& a, const QColor& b, int tolerance = 2)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

inline QString describe(const QColor& actual, const QColor& expected)
{
    return QStringLiteral("got %1, expected %2").arg(actual.name(), expected.name());
}

inline QImage render(QWidget& widget)
{
    return widget.grab().toImage();
}

} // namespace Pixels

#define COMPARE_COLOR(actual, expected)                                                                                \
    do {                                                                                                               \
        const QColor a_ = (actual);                                                                                    \
        const QColor e_ = (expected);                                                                                  \
        QVERIFY2(Pixels::near(a_, e_), qPrintable(Pixels::describe(a_, e_)));                                          \
    } while (false)
