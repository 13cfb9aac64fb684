#pragma once

#include "ColorScheme.h"

#include <QFont>
#include <QProxyStyle>

// The shared drawing of the window's push-button looks: a rounded fill, a tinted
// symbol and the text, with fixed padding and font. Subclasses give the colours.
class ButtonStyle : public QProxyStyle
{
    Q_OBJECT

public:
    struct Metrics
    {
        int fontSize;
        QFont::Weight weight;
        QSize padding; // horizontal × vertical, each side
        qreal radius;
    };

    // The colours of one state: fill, text and symbol, and the opacity of the whole.
    struct Look
    {
        QColor fill;
        QColor label;
        qreal opacity = 1.0;
        QColor focusRing;
    };

    // Space between a symbol and the text.
    static constexpr int iconSpacing = 7;

    const Metrics& metrics() const { return m_metrics; }
    virtual Look look(bool pressed, bool enabled, ColorScheme scheme) const = 0;

    void drawControl(
        ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const override;
    QSize sizeFromContents(
        ContentsType type, const QStyleOption* option, const QSize& contentsSize, const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
    void polish(QWidget* widget) override;
    using QProxyStyle::polish;
    void unpolish(QWidget* widget) override;
    using QProxyStyle::unpolish;

protected:
    explicit ButtonStyle(const Metrics& metrics);

private:
    Metrics m_metrics;
};
