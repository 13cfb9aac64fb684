#include "ProgressLine.h"

#include "Theme.h"

#include <QPainter>

#include <cmath>

ProgressLine::ProgressLine(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

double ProgressLine::fraction(double value)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
}

void ProgressLine::setValue(double value)
{
    // NaN compares unequal to itself; compare what is drawn.
    if (fraction(value) == fraction(m_value) && std::isfinite(value) == std::isfinite(m_value))
        return;
    m_value = value;
    update();
}

void ProgressLine::paintEvent(QPaintEvent*)
{
    const Theme& theme = Theme::instance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track(0, (height() - thickness) / 2.0, width(), thickness);
    const qreal radius = thickness / 2.0;
    painter.setBrush(theme.color(Tone::primary, 0.09));
    painter.drawRoundedRect(track, radius, radius);
    const qreal filled = track.width() * fraction(m_value);
    if (filled <= 0)
        return;
    // A sliver keeps the rounded start and is cut square where it ends.
    const QRectF bar(track.left(), track.top(), std::max(filled, qreal(thickness)), thickness);
    painter.setClipRect(QRectF(track.left(), track.top(), filled, track.height()));
    painter.setBrush(coral());
    painter.drawRoundedRect(bar, radius, radius);
}
