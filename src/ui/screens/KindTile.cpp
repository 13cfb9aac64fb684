#include "KindTile.h"

#include "Symbols.h"
#include "ColorsAndFonts.h"

#include <QPainter>

KindTile::KindTile(const Metrics& metrics, const QString& symbol, QWidget* parent)
    : QWidget(parent)
    , m_metrics(metrics)
    , m_symbol(symbol)
{
    setFixedSize(metrics.side, metrics.side);
}

void KindTile::setSymbol(const QString& symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void KindTile::paint(
    QPainter& painter, const QRectF& rect, const Metrics& metrics, const QString& symbol, qreal devicePixelRatio)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = coral();
    fill.setAlphaF(float(metrics.fillOpacity));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, metrics.radius, metrics.radius);
    const QPixmap pixmap = symbolPixmap(symbol, coral(), metrics.symbolSize, SymbolWeight::regular, devicePixelRatio);
    const QPointF corner(rect.center().x() - metrics.symbolSize / 2.0, rect.center().y() - metrics.symbolSize / 2.0);
    painter.drawPixmap(corner, pixmap);
    painter.restore();
}

void KindTile::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, rect(), m_metrics, m_symbol, devicePixelRatioF());
}
