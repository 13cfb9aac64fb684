#pragma once

#include <QColor>
#include <QHash>
#include <QImage>
#include <QString>
#include <QWidget>

#include <algorithm>
#include <cmath>
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

// The contrast ratio of two opaque colours, as accessibility guidelines define it.
inline double contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double x = luminance(a);
    const double y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// Text drawn in `area`: its fill (the commonest colour) and its ink (the
// colour that stands out most from it, at the glyphs' cores).
inline std::pair<QColor, QColor> fillAndInk(const QImage& area)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            ++counts[area.pixel(x, y)];
    QRgb fill = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > counts.value(fill))
            fill = it.key();
    QColor ink = QColor(fill);
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (contrast(QColor(it.key()), QColor(fill)) > contrast(ink, QColor(fill)))
            ink = QColor(it.key());
    return { QColor(fill), ink };
}

} // namespace Pixels

#define COMPARE_COLOR(actual, expected)                                                                                \
    do {                                                                                                               \
        const QColor a_ = (actual);                                                                                    \
        const QColor e_ = (expected);                                                                                  \
        QVERIFY2(Pixels::near(a_, e_), qPrintable(Pixels::describe(a_, e_)));                                          \
    } while (false)
