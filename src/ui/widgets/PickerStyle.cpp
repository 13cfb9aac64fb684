#include "PickerStyle.h"

#include "Theme.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>

namespace {

constexpr int fontSize = 13;
constexpr QSize padding(11, 8);
constexpr int chevronWidth = 22;
constexpr qreal radius = 8;
// The drop-down list: a card of its own with roomy rows.
constexpr int listRadius = 10;
constexpr int listInset = 5;
constexpr int rowHeight = 30;
constexpr int rowPadding = 10;
constexpr qreal rowRadius = 6;

// One choice of the drop-down list: the text in the scheme's colour, the
// pointed or current row on a faint rounded fill.
class ChoiceDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize text = QStyledItemDelegate::sizeHint(option, index);
        return { text.width() + 2 * rowPadding, std::max(rowHeight, text.height() + 12) };
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const Theme& theme = Theme::instance();
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const bool lit = option.state & (QStyle::State_Selected | QStyle::State_MouseOver);
        if (lit) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(theme.color(Tone::coral, 0.16));
            painter->drawRoundedRect(QRectF(option.rect).adjusted(0, 1, 0, -1), rowRadius, rowRadius);
        }
        painter->setFont(uiFont(fontSize));
        painter->setPen(theme.color((option.state & QStyle::State_Enabled) ? Tone::primary : Tone::tertiary));
        const QRect text = option.rect.adjusted(rowPadding, 0, -rowPadding, 0);
        painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
            painter->fontMetrics().elidedText(index.data().toString(), Qt::ElideRight, text.width()));
        painter->restore();
    }
};

// Paints the list's window as a rounded card and keeps its corners round.
class ListCard final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Resize) {
            // A window without an alpha channel can only be cut: the outline drawn
            // on the cut hides most of its steps.
            QPainterPath shape;
            shape.addRoundedRect(QRectF(window->rect()), listRadius, listRadius);
            window->setMask(QRegion(shape.toFillPolygon().toPolygon()));
        } else if (event->type() == QEvent::Paint) {
            const Theme& theme = Theme::instance();
            QPainter painter(window);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillRect(window->rect(), cardBackground(theme.scheme()));
            painter.setPen(QPen(theme.color(Tone::primary, 0.16), 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(window->rect()).adjusted(0.5, 0.5, -0.5, -0.5), listRadius, listRadius);
            return true;
        }
        return false;
    }
};

} // namespace

PickerStyle* PickerStyle::shared()
{
    static QPointer<PickerStyle> style;
    if (!style) {
        style = new PickerStyle;
        style->setParent(qApp);
    }
    return style;
}

void PickerStyle::apply(QComboBox* picker)
{
    picker->setStyle(shared());
    picker->setItemDelegate(new ChoiceDelegate(picker));
    QAbstractItemView* list = picker->view();
    list->setFrameShape(QFrame::NoFrame);
    list->viewport()->setAutoFillBackground(false);
    list->setAutoFillBackground(false);
    list->setMouseTracking(true);
    QWidget* window = list->parentWidget();
    window->setContentsMargins(listInset, listInset, listInset, listInset);
    window->installEventFilter(new ListCard(window));
}

void PickerStyle::drawComplexControl(
    ComplexControl control, const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const
{
    if (control != CC_ComboBox) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const Theme& theme = Theme::instance();
    const bool pressed = option->state & State_On;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (!(option->state & State_Enabled))
        painter->setOpacity(0.4);
    const QRectF frame = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool focused = (option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange);
    painter->setPen(QPen(focused ? coral() : theme.color(Tone::primary, 0.1), focused ? 1.5 : 1));
    painter->setBrush(theme.color(Tone::primary, pressed ? 0.12 : 0.05));
    painter->drawRoundedRect(frame, radius, radius);

    // A small downward chevron, centred in its column.
    const QRect arrow = subControlRect(CC_ComboBox, option, SC_ComboBoxArrow, widget);
    const QPointF centre = QRectF(arrow).center();
    QPainterPath chevron;
    chevron.moveTo(centre + QPointF(-4, -2));
    chevron.lineTo(centre + QPointF(0, 2));
    chevron.lineTo(centre + QPointF(4, -2));
    painter->setPen(QPen(theme.color(Tone::secondary), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(chevron);
    painter->restore();
}

void PickerStyle::drawControl(
    ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
    if (element != CE_ComboBoxLabel || !combo) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const QRect field = subControlRect(CC_ComboBox, combo, SC_ComboBoxEditField, widget);
    painter->save();
    // The picker sets a fainter text colour while it shows its placeholder.
    painter->setPen(combo->palette.color(QPalette::ButtonText));
    const QString text = painter->fontMetrics().elidedText(combo->currentText, Qt::ElideRight, field.width());
    painter->drawText(field, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text);
    painter->restore();
}

QSize PickerStyle::sizeFromContents(
    ContentsType type, const QStyleOption* option, const QSize& contentsSize, const QWidget* widget) const
{
    if (type != CT_ComboBox)
        return QProxyStyle::sizeFromContents(type, option, contentsSize, widget);
    const int line = option->fontMetrics.height();
    return { contentsSize.width() + 2 * padding.width() + chevronWidth, line + 2 * padding.height() };
}

QRect PickerStyle::subControlRect(
    ComplexControl control, const QStyleOptionComplex* option, SubControl subControl, const QWidget* widget) const
{
    if (control != CC_ComboBox)
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    const QRect frame = option->rect;
    switch (subControl) {
    case SC_ComboBoxArrow:
        return QRect(frame.right() - chevronWidth - padding.width() / 2, frame.top(), chevronWidth, frame.height());
    case SC_ComboBoxEditField:
        return frame.adjusted(padding.width(), 0, -(chevronWidth + padding.width()), 0);
    case SC_ComboBoxFrame:
    case SC_ComboBoxListBoxPopup:
        return frame;
    default:
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    }
}

int PickerStyle::styleHint(
    StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* returnData) const
{
    // A list below the picker, as wide as the picker, rather than a menu over it.
    if (hint == SH_ComboBox_Popup)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void PickerStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    if (qobject_cast<QComboBox*>(widget))
        widget->setFont(uiFont(fontSize));
}
