#include "ButtonStyle.h"

#include "Theme.h"
#include "ColorsAndFonts.h"

#include <QPainter>
#include <QPixmapCache>
#include <QPushButton>
#include <QStyleOptionButton>

using namespace Qt::Literals::StringLiterals;

namespace {

// The button's symbol recoloured to the label colour: symbols are drawn in one
// colour, so only their coverage is kept.
QPixmap tinted(const QIcon& icon, const QSize& size, qreal ratio, const QColor& color)
{
    const QString key = u"button-icon:%1:%2x%3:%4:%5"_s.arg(icon.cacheKey())
                            .arg(size.width())
                            .arg(size.height())
                            .arg(ratio)
                            .arg(color.name(QColor::HexArgb));
    QPixmap result;
    if (QPixmapCache::find(key, &result))
        return result;
    const QPixmap source = icon.pixmap(size, ratio);
    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
    }
    result = QPixmap::fromImage(std::move(image));
    result.setDevicePixelRatio(source.devicePixelRatio());
    QPixmapCache::insert(key, result);
    return result;
}

} // namespace

ButtonStyle::ButtonStyle(const Metrics& metrics)
    : m_metrics(metrics)
{
}

void ButtonStyle::drawControl(
    ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (element != CE_PushButton || !button) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }

    const bool enabled = button->state & State_Enabled;
    const bool pressed = button->state & (State_Sunken | State_On);
    const Look look = this->look(pressed, enabled, Theme::instance().scheme());

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setOpacity(painter->opacity() * look.opacity);
    painter->setPen(Qt::NoPen);
    painter->setBrush(look.fill);
    const QRectF frame = QRectF(button->rect);
    painter->drawRoundedRect(frame, m_metrics.radius, m_metrics.radius);

    if ((button->state & State_HasFocus) && (button->state & State_KeyboardFocusChange)) {
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(look.focusRing, 2));
        painter->drawRoundedRect(frame.adjusted(1, 1, -1, -1), m_metrics.radius - 1, m_metrics.radius - 1);
    }

    // The label is centred as a whole: symbol, spacing, text.
    const bool hasIcon = !button->icon.isNull();
    const bool hasText = !button->text.isEmpty();
    const QSize iconSize = hasIcon ? button->iconSize : QSize();
    const int textWidth = hasText ? button->fontMetrics.size(Qt::TextShowMnemonic, button->text).width() : 0;
    const int labelWidth = iconSize.width() + (hasIcon && hasText ? iconSpacing : 0) + textWidth;
    const QRect inner = button->rect;
    int x = inner.left() + (inner.width() - labelWidth) / 2;
    if (hasIcon) {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QPixmap pixmap = tinted(button->icon, iconSize, ratio, look.label);
        const int y = inner.top() + (inner.height() - iconSize.height()) / 2;
        painter->drawPixmap(QRect(QPoint(x, y), iconSize), pixmap);
        x += iconSize.width() + (hasText ? iconSpacing : 0);
    }
    if (hasText) {
        painter->setPen(look.label);
        const QRect textRect(x, inner.top(), textWidth, inner.height());
        const int flags = Qt::AlignCenter | Qt::TextShowMnemonic
            | (styleHint(SH_UnderlineShortcut, button, widget) ? 0 : Qt::TextHideMnemonic);
        painter->drawText(textRect, flags, button->text);
    }
    painter->restore();
}

QSize ButtonStyle::sizeFromContents(
    ContentsType type, const QStyleOption* option, const QSize& contentsSize, const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (type != CT_PushButton || !button)
        return QProxyStyle::sizeFromContents(type, option, contentsSize, widget);

    // QPushButton measures the label itself, leaving 4 pixels after a symbol and
    // reserving room for text even on a symbol-only button; measure it our way.
    const bool hasIcon = !button->icon.isNull();
    const bool hasText = !button->text.isEmpty();
    const QSize text = hasText ? button->fontMetrics.size(Qt::TextShowMnemonic, button->text)
        : hasIcon              ? QSize(0, 0)
                               : QSize(0, button->fontMetrics.height());
    const QSize icon = hasIcon ? button->iconSize : QSize(0, 0);
    const int width = icon.width() + (hasIcon && hasText ? iconSpacing : 0) + text.width();
    const int height = qMax(icon.height(), text.height());
    return { width + 2 * m_metrics.padding.width(), height + 2 * m_metrics.padding.height() };
}

int ButtonStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (metric == PM_ButtonIconSize)
        return m_metrics.fontSize + 2;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void ButtonStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    widget->setFont(uiFont(m_metrics.fontSize, m_metrics.weight));
}

void ButtonStyle::unpolish(QWidget* widget)
{
    widget->setFont(QFont());
    QProxyStyle::unpolish(widget);
}
