#include "SwitchButton.h"

#include "Theme.h"

#include <QPainter>

namespace {

const QSize track(32, 18);
constexpr int gap = 10;
constexpr int knobInset = 2;

} // namespace

SwitchButton::SwitchButton(const QString& text, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(text);
    setCheckable(true);
    setFont(uiFont(12));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SwitchButton::sizeHint() const
{
    const int text = fontMetrics().horizontalAdvance(this->text());
    return { text + gap + track.width() + 2, qMax(fontMetrics().height(), track.height()) + 4 };
}

void SwitchButton::paintEvent(QPaintEvent*)
{
    const Theme& theme = Theme::instance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.4);

    const int text = fontMetrics().horizontalAdvance(this->text());
    painter.setPen(theme.color(Tone::primary));
    painter.drawText(QRect(0, 0, text + 1, height()), Qt::AlignVCenter | Qt::AlignLeft, this->text());

    const QRectF body(text + gap, (height() - track.height()) / 2.0, track.width(), track.height());
    const qreal radius = body.height() / 2;
    painter.setPen(hasFocus() ? QPen(coral(), 1.5) : Qt::NoPen);
    painter.setBrush(isChecked() ? coral() : theme.color(Tone::primary, 0.16));
    painter.drawRoundedRect(body, radius, radius);

    const qreal knob = body.height() - 2 * knobInset;
    const qreal x = isChecked() ? body.right() - knobInset - knob : body.left() + knobInset;
    painter.setPen(QPen(QColor(0, 0, 0, 30), 0.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, body.top() + knobInset, knob, knob));
}
