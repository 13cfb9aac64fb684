#include "Badge.h"

#include "Theme.h"

#include <QPainter>

namespace {

QFont badgeFont()
{
    return uiFont(10, QFont::DemiBold);
}

const QSize padding(6, 3);

} // namespace

Badge::Badge(QWidget* parent)
    : QWidget(parent)
{
    setFont(badgeFont());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setVisible(false);
}

void Badge::setCount(int count)
{
    m_count = count;
    setVisible(count > 0);
    setAccessibleName(count > 0 ? text() : QString());
    updateGeometry();
    update();
}

void Badge::setHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted)
        return;
    m_highlighted = highlighted;
    update();
}

QSize Badge::sizeHint() const
{
    const QSize text = fontMetrics().size(Qt::TextSingleLine, this->text());
    // A capsule is never narrower than it is tall.
    const int height = text.height() + 2 * padding.height();
    return { qMax(height, text.width() + 2 * padding.width()), height };
}

void Badge::paintEvent(QPaintEvent*)
{
    const Theme& theme = Theme::instance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(theme.color(Tone::primary, 0.06));
    const QRectF capsule = rect();
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    painter.setPen(m_highlighted ? coral() : theme.color(Tone::primary, 0.65));
    painter.drawText(rect(), Qt::AlignCenter, text());
}
