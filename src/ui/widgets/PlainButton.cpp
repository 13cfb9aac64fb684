#include "PlainButton.h"

#include "Theme.h"

#include <QFocusEvent>
#include <QPainter>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

PlainButton::PlainButton(const QString& text, const QFont& font, Tone tone, qreal opacity, QWidget* parent)
    : QAbstractButton(parent)
    , m_tone(tone)
    , m_opacity(opacity)
{
    setText(text);
    setFont(font);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
}

void PlainButton::setTone(Tone tone, qreal opacity)
{
    m_tone = tone;
    m_opacity = opacity;
    update();
}

void PlainButton::setLeading(const Glyph& glyph)
{
    m_leading = glyph;
    updateGeometry();
    update();
}

void PlainButton::setTrailing(const Glyph& glyph)
{
    m_trailing = glyph;
    updateGeometry();
    update();
}

void PlainButton::setSpacing(int spacing)
{
    m_spacing = spacing;
    updateGeometry();
}

void PlainButton::setPadding(const QMargins& padding)
{
    m_padding = padding;
    updateGeometry();
}

int PlainButton::textWidth() const
{
    return text().isEmpty() ? 0 : int(std::ceil(QFontMetricsF(font()).horizontalAdvance(text())));
}

int PlainButton::glyphWidth(const Glyph& glyph) const
{
    return glyph.symbol.isEmpty() ? 0 : glyph.size;
}

QSize PlainButton::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const int textWidth = this->textWidth();
    int width = 0;
    int parts = 0;
    for (const int part : { glyphWidth(m_leading), textWidth, glyphWidth(m_trailing) }) {
        if (part > 0) {
            width += part + (parts > 0 ? m_spacing : 0);
            ++parts;
        }
    }
    const int height
        = std::max({ text().isEmpty() ? 0 : metrics.height(), glyphWidth(m_leading), glyphWidth(m_trailing) });
    return QSize(width, height).grownBy(m_padding);
}

QSize PlainButton::minimumSizeHint() const
{
    // The text may elide down to its first letters; the symbols stay whole.
    const QSize full = sizeHint();
    if (text().isEmpty())
        return full;
    const int textWidth = this->textWidth();
    const int elided = fontMetrics().horizontalAdvance(u"…"_s) * 3;
    return { full.width() - textWidth + std::min(textWidth, elided), full.height() };
}

QColor PlainButton::toneColor(const std::optional<Tone>& tone, qreal opacity) const
{
    return Theme::instance().color(tone.value_or(m_tone), tone ? opacity : m_opacity);
}

void PlainButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(!isEnabled() ? 0.4 : isDown() ? 0.55 : 1.0);
    const QRect inner = rect().marginsRemoved(m_padding);
    const qreal ratio = devicePixelRatioF();

    int x = inner.left();
    auto drawGlyph = [&](const Glyph& glyph) {
        if (glyph.symbol.isEmpty())
            return;
        const QPixmap pixmap
            = symbolPixmap(glyph.symbol, toneColor(glyph.tone, glyph.opacity), glyph.size, glyph.weight, ratio);
        painter.drawPixmap(QPointF(x, inner.top() + (inner.height() - glyph.size) / 2.0), pixmap);
        x += glyph.size + m_spacing;
    };
    drawGlyph(m_leading);
    if (!text().isEmpty()) {
        const int trailing = m_trailing.symbol.isEmpty() ? 0 : m_trailing.size + m_spacing;
        const int room = std::max(0, inner.right() + 1 - x - trailing);
        // elidedText() measures more finely than horizontalAdvance() and would
        // cut a text given exactly the room it asked for.
        const QString shown = textWidth() <= room ? text() : fontMetrics().elidedText(text(), Qt::ElideRight, room);
        painter.setPen(toneColor(std::nullopt, m_opacity));
        painter.drawText(QRect(x, inner.top(), room, inner.height()), Qt::AlignVCenter | Qt::AlignLeft, shown);
        x += std::min(room, fontMetrics().horizontalAdvance(shown)) + m_spacing;
    }
    drawGlyph(m_trailing);

    if (m_keyboardFocus && hasFocus()) {
        painter.setOpacity(1.0);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Theme::instance().color(Tone::coral, 0.8), 1.5));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 5, 5);
    }
}

void PlainButton::focusInEvent(QFocusEvent* event)
{
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason
        || event->reason() == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(event);
}

void PlainButton::focusOutEvent(QFocusEvent* event)
{
    m_keyboardFocus = false;
    QAbstractButton::focusOutEvent(event);
}
