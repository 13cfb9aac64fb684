#include "SegmentedPicker.h"

#include "Symbols.h"
#include "Theme.h"

#include <QKeyEvent>
#include <QPainter>

namespace {

constexpr int inset = 2;
constexpr qreal radius = 7;
constexpr int symbolSize = 14;
constexpr int symbolGap = 6;

} // namespace

SegmentedPicker::SegmentedPicker(const QList<Segment>& segments, QWidget* parent)
    : QWidget(parent)
    , m_segments(segments)
{
    setFont(uiFont(13));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

int SegmentedPicker::indexOf(const QString& value) const
{
    for (int i = 0; i < m_segments.size(); ++i)
        if (m_segments[i].value == value)
            return i;
    return -1;
}

void SegmentedPicker::setValue(const QString& value)
{
    if (value == m_value)
        return;
    m_value = value;
    update();
}

QRect SegmentedPicker::segmentRect(int index) const
{
    const int inner = width() - 2 * inset;
    const int left = inset + inner * index / std::max(1, count());
    const int right = inset + inner * (index + 1) / std::max(1, count());
    return QRect(left, inset, right - left, height() - 2 * inset);
}

QSize SegmentedPicker::sizeHint() const
{
    int widest = 0;
    for (const Segment& segment : m_segments)
        widest = std::max(widest,
            fontMetrics().horizontalAdvance(segment.title) + (segment.symbol.isEmpty() ? 0 : symbolSize + symbolGap));
    return { count() * (widest + 24) + 2 * inset, fontMetrics().height() + 12 };
}

QSize SegmentedPicker::minimumSizeHint() const
{
    return sizeHint();
}

void SegmentedPicker::paintEvent(QPaintEvent*)
{
    const Theme& theme = Theme::instance();
    const bool dark = theme.isDark();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(theme.color(Tone::primary, dark ? 0.1 : 0.07));
    painter.drawRoundedRect(QRectF(rect()), radius, radius);

    const int chosen = indexOf(m_value);
    for (int i = 0; i < count(); ++i) {
        const QRect segment = segmentRect(i);
        if (i == chosen) {
            const QRectF card = QRectF(segment);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0, 0, 0, dark ? 60 : 22));
            painter.drawRoundedRect(card.translated(0, 0.5), radius - inset, radius - inset);
            painter.setBrush(dark ? QColor::fromRgbF(0.36f, 0.37f, 0.4f, 0.9f) : QColor(Qt::white));
            painter.drawRoundedRect(card, radius - inset, radius - inset);
        } else if (i > 0 && i - 1 != chosen) {
            // Separators only between two segments that are not chosen.
            painter.setPen(QPen(theme.color(Tone::primary, 0.12), 1));
            painter.drawLine(
                QPointF(segment.left() + 0.5, segment.top() + 5), QPointF(segment.left() + 0.5, segment.bottom() - 4));
        }
        const QColor ink = theme.color(Tone::primary, i == chosen ? 1.0 : 0.8);
        painter.setPen(ink);
        QFont font = this->font();
        font.setWeight(i == chosen ? QFont::Medium : QFont::Normal);
        painter.setFont(font);
        const QString& symbol = m_segments[i].symbol;
        if (symbol.isEmpty()) {
            painter.drawText(segment, Qt::AlignCenter, m_segments[i].title);
            continue;
        }
        // The symbol and the title centred together.
        const int text = QFontMetrics(font).horizontalAdvance(m_segments[i].title);
        const int left = segment.left() + (segment.width() - symbolSize - symbolGap - text) / 2;
        painter.drawPixmap(left, segment.top() + (segment.height() - symbolSize) / 2,
            symbolPixmap(symbol, ink, symbolSize, SymbolWeight::regular, devicePixelRatioF()));
        painter.drawText(QRect(left + symbolSize + symbolGap, segment.top(), text + 1, segment.height()),
            Qt::AlignVCenter | Qt::AlignLeft, m_segments[i].title);
    }
    if (m_keyboardFocus && hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(theme.color(Tone::coral, 0.8), 1.5));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), radius, radius);
    }
}

void SegmentedPicker::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    for (int i = 0; i < count(); ++i) {
        if (segmentRect(i).contains(event->position().toPoint())) {
            Q_EMIT picked(m_segments[i].value);
            return;
        }
    }
}

void SegmentedPicker::keyPressEvent(QKeyEvent* event)
{
    const int step = event->key() == Qt::Key_Left ? -1 : event->key() == Qt::Key_Right ? 1 : 0;
    if (step == 0 || count() == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int current = indexOf(m_value);
    const int next = std::clamp(current < 0 ? 0 : current + step, 0, count() - 1);
    if (next != current)
        Q_EMIT picked(m_segments[next].value);
}

void SegmentedPicker::focusInEvent(QFocusEvent* event)
{
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QWidget::focusInEvent(event);
    update();
}

void SegmentedPicker::focusOutEvent(QFocusEvent* event)
{
    m_keyboardFocus = false;
    QWidget::focusOutEvent(event);
    update();
}
