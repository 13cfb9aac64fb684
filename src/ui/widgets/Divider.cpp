#include "Divider.h"

#include "Theme.h"

#include <QPainter>

Divider::Divider(Qt::Orientation orientation, qreal opacity, QWidget* parent)
    : QWidget(parent)
    , m_orientation(orientation)
    , m_opacity(opacity)
{
    if (orientation == Qt::Horizontal) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        setFixedWidth(1);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
}

QSize Divider::sizeHint() const
{
    return m_orientation == Qt::Horizontal ? QSize(10, 1) : QSize(1, 10);
}

void Divider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Theme::instance().color(Tone::primary, m_opacity));
}
