#include "QuietStyle.h"

#include "ColorsAndFonts.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>

QuietStyle::QuietStyle()
    : ButtonStyle(Metrics { 13, QFont::Medium, { 12, 9 }, 8 })
{
}

QuietStyle* QuietStyle::shared()
{
    static QPointer<QuietStyle> style;
    if (!style) {
        style = new QuietStyle;
        style->setParent(qApp);
    }
    return style;
}

void QuietStyle::apply(QPushButton* button)
{
    button->setStyle(shared());
}

ButtonStyle::Look QuietStyle::look(bool pressed, bool enabled, ColorScheme scheme) const
{
    return { toneColor(Tone::primary, scheme, pressed ? 0.12 : 0.05), toneColor(Tone::primary, scheme),
        enabled ? 1.0 : 0.4, toneColor(Tone::coral, scheme, 0.8) };
}
