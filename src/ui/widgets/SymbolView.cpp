#include "SymbolView.h"

#include "Theme.h"

#include <QHBoxLayout>
#include <QPainter>

SymbolView::SymbolView(const QString& symbol, int size, Tone tone, qreal opacity, SymbolWeight weight, QWidget* parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_size(size)
    , m_tone(tone)
    , m_opacity(opacity)
    , m_weight(weight)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolView::setSymbol(const QString& symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void SymbolView::setTone(Tone tone, qreal opacity)
{
    m_tone = tone;
    m_opacity = opacity;
    update();
}

QColor SymbolView::color() const
{
    return Theme::instance().color(m_tone, m_opacity);
}

void SymbolView::paintEvent(QPaintEvent*)
{
    const QPixmap pixmap = symbolPixmap(m_symbol, color(), m_size, m_weight, devicePixelRatioF());
    if (pixmap.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap((width() - m_size) / 2, (height() - m_size) / 2, pixmap);
}

QHBoxLayout* symbolBefore(SymbolView* symbol, QWidget* text, int spacing)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(spacing);
    row->addWidget(symbol, 0, Qt::AlignVCenter);
    row->addWidget(text, 0, Qt::AlignVCenter);
    return row;
}
