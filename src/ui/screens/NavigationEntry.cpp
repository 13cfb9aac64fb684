#include "NavigationEntry.h"

#include "Badge.h"
#include "StyledLabel.h"
#include "SymbolView.h"
#include "Theme.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QPainter>

namespace {

constexpr qreal radius = 10;
constexpr qreal idleOpacity = 0.65;

} // namespace

NavigationEntry::NavigationEntry(const QString& title, const QString& symbol, Section section, QWidget* parent)
    : QAbstractButton(parent)
    , m_section(section)
    , m_symbol(new SymbolView(symbol, 16))
    , m_title(new StyledLabel(title, uiFont(13, QFont::Medium)))
    , m_badge(new Badge)
{
    setText(title);
    setAccessibleName(title);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_title->setTextFormat(Qt::PlainText);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 9, 10, 9);
    row->setSpacing(10);
    // The symbol sits in a frame 19 wide, so titles line up whatever the symbol's shape.
    m_symbol->setFixedSize(19, 16);
    row->addWidget(m_symbol);
    row->addWidget(m_title);
    row->addStretch(1);
    row->addWidget(m_badge);
    applyLook();
}

QString NavigationEntry::title() const
{
    return m_title->text();
}

int NavigationEntry::widestWidth() const
{
    const QMargins margins = layout()->contentsMargins();
    const int spacing = layout()->spacing();
    Badge probe;
    probe.setCount(99);
    const int title = QFontMetrics(uiFont(13, QFont::DemiBold)).horizontalAdvance(m_title->text()) + 1;
    return margins.left() + m_symbol->width() + spacing + title + spacing + probe.sizeHint().width() + margins.right();
}

void NavigationEntry::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    applyLook();
}

void NavigationEntry::setBadge(int count)
{
    m_badge->setCount(count);
}

void NavigationEntry::applyLook()
{
    const Tone tone = m_selected ? Tone::coral : Tone::primary;
    const qreal opacity = m_selected ? 1.0 : idleOpacity;
    m_symbol->setTone(tone, opacity);
    m_title->setTone(tone, opacity);
    m_title->setFont(uiFont(13, m_selected ? QFont::DemiBold : QFont::Medium));
    m_badge->setHighlighted(m_selected);
    update();
}

void NavigationEntry::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect());
    if (m_selected) {
        QColor fill = coral();
        fill.setAlphaF(0.1f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(frame, radius, radius);
    } else if (isDown()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::instance().color(Tone::primary, 0.05));
        painter.drawRoundedRect(frame, radius, radius);
    }
    if (m_keyboardFocus && hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Theme::instance().color(Tone::coral, 0.8), 1.5));
        painter.drawRoundedRect(frame.adjusted(0.75, 0.75, -0.75, -0.75), radius, radius);
    }
}

void NavigationEntry::focusInEvent(QFocusEvent* event)
{
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

void NavigationEntry::focusOutEvent(QFocusEvent* event)
{
    m_keyboardFocus = false;
    QAbstractButton::focusOutEvent(event);
}
