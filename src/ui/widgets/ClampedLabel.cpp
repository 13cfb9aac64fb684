#include "ClampedLabel.h"

#include <QPainter>
#include <QTextLayout>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

QTextOption wrapping()
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

} // namespace

ClampedLabel::ClampedLabel(
    const QString& text, const QFont& font, int maxLines, Overflow overflow, Tone tone, qreal opacity, QWidget* parent)
    : StyledLabel(QString(), font, tone, opacity, parent)
    , m_maxLines(std::max(1, maxLines))
    , m_overflow(overflow)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setText(text);
}

void ClampedLabel::setText(const QString& text)
{
    if (text == this->text())
        return;
    m_heights.fill({ -1, 0 });
    QLabel::setText(text);
    updateTip();
}

int ClampedLabel::lineCount(int width, int limit) const
{
    if (text().isEmpty())
        return 0;
    QTextLayout layout(text(), font());
    layout.setTextOption(wrapping());
    layout.beginLayout();
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid() && lines < limit; line = layout.createLine()) {
        line.setLineWidth(std::max(1, width));
        ++lines;
    }
    layout.endLayout();
    return lines;
}

bool ClampedLabel::isClamped() const
{
    return lineCount(contentsRect().width(), m_maxLines + 1) > m_maxLines;
}

int ClampedLabel::heightForWidth(int width) const
{
    for (const auto& [measured, height] : m_heights)
        if (measured == width)
            return height;
    const QMargins margins = contentsMargins();
    const int inner = width - margins.left() - margins.right();
    // Measured here rather than by QLabel: its measure of selectable text lays
    // out the label's document again, which repaints the label, so every
    // layout pass would repaint every selectable label in the window.
    int height = clampedHeight(text(), font(), inner, m_maxLines);
    if (m_overflow == Overflow::clip) {
        // The label draws clipped text itself, a line at a time.
        height = std::max(height, lineCount(inner, m_maxLines) * fontMetrics().lineSpacing());
    }
    height += margins.top() + margins.bottom();
    m_heights[std::exchange(m_nextHeight, 1 - m_nextHeight)] = { width, height };
    return height;
}

QSize ClampedLabel::sizeHint() const
{
    const QMargins margins = contentsMargins();
    const int width = fontMetrics().horizontalAdvance(text()) + margins.left() + margins.right() + 1;
    return { width, heightForWidth(width) };
}

QSize ClampedLabel::minimumSizeHint() const
{
    const QMargins margins = contentsMargins();
    const int oneLine = text().isEmpty() ? 0 : fontMetrics().lineSpacing();
    return { fontMetrics().horizontalAdvance(u"…"_s) * 4, oneLine + margins.top() + margins.bottom() };
}

void ClampedLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ContentsRectChange)
        m_heights.fill({ -1, 0 });
    StyledLabel::changeEvent(event);
}

void ClampedLabel::resizeEvent(QResizeEvent* event)
{
    StyledLabel::resizeEvent(event);
    updateTip();
}

void ClampedLabel::updateTip()
{
    if (m_overflow == Overflow::clip)
        setToolTip(isClamped() ? text() : QString());
}

void ClampedLabel::paintEvent(QPaintEvent* event)
{
    if (m_overflow == Overflow::clip) {
        StyledLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    drawClamped(painter, contentsRect(), text(), font(), m_maxLines);
}

int ClampedLabel::clampedHeight(const QString& text, const QFont& font, int width, int maxLines)
{
    if (text.isEmpty())
        return 0;
    QTextLayout layout(text, font);
    layout.setTextOption(wrapping());
    layout.beginLayout();
    qreal height = 0;
    for (int shown = 0; shown < maxLines; ++shown) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(std::max(1, width));
        height += line.height();
    }
    layout.endLayout();
    return int(std::ceil(height));
}

void ClampedLabel::drawClamped(
    QPainter& painter, const QRect& area, const QString& text, const QFont& font, int maxLines)
{
    QTextLayout layout(text, font);
    layout.setTextOption(wrapping());
    layout.beginLayout();
    qreal y = 0;
    int shown = 0;
    while (shown < maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(std::max(1, area.width()));
        line.setPosition(QPointF(0, y));
        y += line.height();
        ++shown;
    }
    const bool truncated = shown == maxLines && layout.createLine().isValid();
    layout.endLayout();

    painter.save();
    painter.setFont(font);
    const QFontMetrics metrics(font);
    for (int i = 0; i < shown; ++i) {
        const QTextLine line = layout.lineAt(i);
        if (truncated && i == shown - 1) {
            const QString rest = text.mid(line.textStart()).simplified();
            const QString elided = metrics.elidedText(rest, Qt::ElideRight, area.width());
            painter.drawText(QPointF(area.left(), area.top() + line.y() + line.ascent()), elided);
        } else {
            line.draw(&painter, area.topLeft());
        }
    }
    painter.restore();
}
