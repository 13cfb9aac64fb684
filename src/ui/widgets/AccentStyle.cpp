#include "AccentStyle.h"

#include "ColorsAndFonts.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>

AccentStyle::AccentStyle(bool compact)
    : ButtonStyle(
        compact ? Metrics { 13, QFont::DemiBold, { 14, 10 }, 10 } : Metrics { 15, QFont::DemiBold, { 22, 14 }, 10 })
    , m_compact(compact)
{
}

AccentStyle* AccentStyle::shared(bool compact)
{
    static QPointer<AccentStyle> styles[2];
    QPointer<AccentStyle>& style = styles[compact ? 1 : 0];
    if (!style) {
        style = new AccentStyle(compact);
        style->setParent(qApp);
    }
    return style;
}

void AccentStyle::apply(QPushButton* button, bool compact)
{
    button->setStyle(shared(compact));
}

ButtonStyle::Look AccentStyle::look(bool pressed, bool enabled, ColorScheme) const
{
    QColor fill = coral();
    fill.setAlphaF(!enabled ? 0.3f : pressed ? 0.75f : 1.0f);
    return { fill, Qt::white, 1.0, QColor(255, 255, 255, 200) };
}
