#include "Surface.h"

#include "Theme.h"

#include <QPainter>
#include <QVBoxLayout>

Surface::Surface(int spacing, QWidget* parent)
    : QWidget(parent)
    , m_column(new QVBoxLayout(this))
{
    m_column->setContentsMargins(padding, padding, padding, padding);
    m_column->setSpacing(spacing);
}

void Surface::paintCard(QPainter& painter, const QRectF& rect, ColorScheme scheme)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // The outline is a 1-pixel line centred on the card's edge pixels.
    const QRectF card = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(toneColor(Tone::primary, scheme, 0.07), 1));
    painter.setBrush(cardBackground(scheme));
    painter.drawRoundedRect(card, radius, radius);
    painter.restore();
}

void Surface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintCard(painter, rect(), Theme::instance().scheme());
}
