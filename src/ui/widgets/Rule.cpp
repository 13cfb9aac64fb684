#include "Rule.h"

#include "Theme.h"

#include <QPainter>

Rule::Rule(Qt::Orientation orientation, qreal opacity, QWidget* parent)
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

QSize Rule::sizeHint() const
{
    return m_orientation == Qt::Horizontal ? QSize(10, 1) : QSize(1, 10);
}

void Rule::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Theme::instance().color(Tone::primary, m_opacity));
}
