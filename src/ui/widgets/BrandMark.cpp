#include "BrandMark.h"

#include "Symbols.h"
#include "ColorsAndFonts.h"

#include <QLinearGradient>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;

BrandMark::BrandMark(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(side, side);
    setAccessibleName(u"Brisomar"_s);
}

void BrandMark::paint(QPainter& painter, const QRectF& rect, qreal devicePixelRatio)
{
    const qreal scale = rect.width() / side;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
    gradient.setColorAt(0, coral());
    gradient.setColorAt(1, brandGradientEnd());
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRoundedRect(rect, 11 * scale, 11 * scale);

    const int symbol = qRound(20 * scale);
    const QPixmap arrow
        = symbolPixmap(u"arrow.down.to.line"_s, Qt::white, symbol, SymbolWeight::bold, devicePixelRatio);
    painter.drawPixmap(QPointF(rect.center().x() - symbol / 2.0, rect.center().y() - symbol / 2.0), arrow);
    painter.restore();
}

void BrandMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, rect(), devicePixelRatioF());
}
