#include "ColorsAndFonts.h"

#include <QGuiApplication>

const QColor& coral()
{
    static const QColor color = QColor::fromRgbF(1.0f, 0.29f, 0.37f);
    return color;
}

const QColor& brandGradientEnd()
{
    static const QColor color = QColor::fromRgbF(0.81f, 0.16f, 0.30f);
    return color;
}

QColor windowBackground(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? QColor::fromRgbF(0.065f, 0.074f, 0.095f)
                                       : QColor::fromRgbF(0.956f, 0.96f, 0.97f);
}

QColor cardBackground(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? QColor::fromRgbF(0.105f, 0.117f, 0.145f) : QColor(Qt::white);
}

QColor sidebarBackground(ColorScheme scheme)
{
    return toneColor(Tone::primary, scheme, scheme == ColorScheme::dark ? 0.025 : 0.018);
}

QColor toneColor(Tone tone, ColorScheme scheme, qreal opacity)
{
    const bool dark = scheme == ColorScheme::dark;
    // Text tones are the platform's label colours: black or white, softened.
    const QColor ink = dark ? QColor(Qt::white) : QColor(Qt::black);
    QColor color;
    qreal alpha = 1.0;
    switch (tone) {
    case Tone::primary:
        color = ink;
        alpha = 0.85;
        break;
    case Tone::secondary:
        color = ink;
        alpha = dark ? 0.55 : 0.5;
        break;
    case Tone::tertiary:
        color = ink;
        alpha = dark ? 0.25 : 0.26;
        break;
    case Tone::coral:
        color = coral();
        break;
    case Tone::white:
        color = Qt::white;
        break;
    case Tone::green:
        color = dark ? QColor(50, 215, 75) : QColor(40, 205, 65);
        break;
    case Tone::orange:
        color = dark ? QColor(255, 159, 10) : QColor(255, 149, 0);
        break;
    }
    color.setAlphaF(float(qBound(0.0, alpha * opacity, 1.0)));
    return color;
}

QFont uiFont(int size, QFont::Weight weight, qreal letterSpacing)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(size);
    font.setWeight(weight);
    if (letterSpacing != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return font;
}
