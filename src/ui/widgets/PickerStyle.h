#pragma once

#include <QProxyStyle>

class QComboBox;

// The pop-up picker look: the quiet button's faint rounded fill with a thin
// outline, the choice in the text colour and a chevron at the end.
class PickerStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // Gives `picker` the look; the style is shared and outlives the picker.
    static void apply(QComboBox* picker);
    static PickerStyle* shared();

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
        const QWidget* widget) const override;
    void drawControl(
        ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const override;
    QSize sizeFromContents(
        ContentsType type, const QStyleOption* option, const QSize& contentsSize, const QWidget* widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
        const QWidget* widget) const override;
    int styleHint(
        StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* returnData) const override;
    void polish(QWidget* widget) override;
    using QProxyStyle::polish;

private:
    PickerStyle() = default;
};
