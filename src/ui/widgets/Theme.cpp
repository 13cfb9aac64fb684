#include "Theme.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QStyleHints>
#include <QWidget>

namespace {

bool isDarkPalette(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightnessF() < palette.color(QPalette::WindowText).lightnessF();
}

// A hint in an empty field is still text to read: 4.5:1 on the fields' fills.
QColor placeholderColor(ColorScheme scheme)
{
    return toneColor(Tone::primary, scheme, 0.68);
}

} // namespace

Theme& Theme::instance()
{
    Q_ASSERT(qApp);
    static QPointer<Theme> theme;
    if (!theme)
        theme = new Theme;
    return *theme;
}

Theme::Theme()
    : QObject(qApp)
{
    m_scheme = systemScheme();
    applyPalette(false);
    qApp->installEventFilter(this);
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    connect(QGuiApplication::styleHints(), &QStyleHints::colorSchemeChanged, this, &Theme::reconsider);
#endif
}

ColorScheme Theme::systemScheme() const
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    switch (QGuiApplication::styleHints()->colorScheme()) {
    case Qt::ColorScheme::Dark:
        return ColorScheme::dark;
    case Qt::ColorScheme::Light:
        return ColorScheme::light;
    case Qt::ColorScheme::Unknown:
        break;
    }
#endif
    // While a scheme is forced the application palette is ours, so this answer
    // holds only when following the system, which is the only time it is asked.
    return isDarkPalette(QGuiApplication::palette()) ? ColorScheme::dark : ColorScheme::light;
}

void Theme::setPreferred(std::optional<ColorScheme> scheme)
{
    if (scheme == m_preferred)
        return;
    m_preferred = scheme;
    applyPalette(true);
    reconsider();
}

void Theme::applyPalette(bool leavingForced)
{
    QPalette palette;
    if (m_preferred) {
        palette = Theme::palette(*m_preferred);
    } else {
        // Only the accent roles are set, so every other role keeps tracking the
        // system's palette and its lightness still tells the system's scheme.
        // A default palette has no role set: it drops a forced scheme's roles.
        if (!leavingForced)
            palette = QGuiApplication::palette();
        palette.setColor(QPalette::Highlight, coral());
        palette.setColor(QPalette::HighlightedText, Qt::white);
        palette.setColor(QPalette::Link, coral());
        palette.setColor(QPalette::PlaceholderText,
            placeholderColor(isDarkPalette(palette) ? ColorScheme::dark : ColorScheme::light));
    }
    if (palette != QGuiApplication::palette() || palette.resolveMask() != QGuiApplication::palette().resolveMask())
        QApplication::setPalette(palette);
}

void Theme::reconsider()
{
    const ColorScheme scheme = m_preferred.value_or(systemScheme());
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    // Custom-painted widgets read the scheme when they paint; a palette change
    // alone does not reach those whose palette did not change.
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget* widget : widgets)
        widget->update();
    Q_EMIT schemeChanged(m_scheme);
}

bool Theme::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ApplicationPaletteChange && watched == qApp && !m_preferred) {
        applyPalette(false);
        reconsider();
    }
    return QObject::eventFilter(watched, event);
}

QPalette Theme::palette(ColorScheme scheme)
{
    const bool dark = scheme == ColorScheme::dark;
    const QColor text = toneColor(Tone::primary, scheme);
    const QColor window = windowBackground(scheme);
    const QColor base = cardBackground(scheme);
    const QColor button = dark ? QColor::fromRgbF(0.16f, 0.172f, 0.204f) : QColor::fromRgbF(0.985f, 0.985f, 0.99f);

    QPalette palette(button, window);
    for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        const bool disabled = group == QPalette::Disabled;
        const QColor ink = disabled ? toneColor(Tone::tertiary, scheme) : text;
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::WindowText, ink);
        palette.setColor(group, QPalette::Base, base);
        palette.setColor(group, QPalette::AlternateBase, dark ? base.lighter(115) : window);
        palette.setColor(group, QPalette::Text, ink);
        palette.setColor(group, QPalette::Button, button);
        palette.setColor(group, QPalette::ButtonText, ink);
        palette.setColor(group, QPalette::BrightText, Qt::white);
        palette.setColor(group, QPalette::PlaceholderText, placeholderColor(scheme));
        palette.setColor(group, QPalette::Highlight, disabled ? toneColor(Tone::secondary, scheme) : coral());
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Link, coral());
        palette.setColor(group, QPalette::LinkVisited, coral().darker(120));
        palette.setColor(group, QPalette::ToolTipBase, dark ? QColor(0x2a, 0x2d, 0x35) : QColor(Qt::white));
        palette.setColor(group, QPalette::ToolTipText, text);
        palette.setColor(group, QPalette::Light, dark ? button.lighter(140) : QColor(Qt::white));
        palette.setColor(group, QPalette::Midlight, dark ? button.lighter(120) : button.darker(105));
        palette.setColor(group, QPalette::Mid, dark ? button.darker(130) : button.darker(125));
        palette.setColor(group, QPalette::Dark, dark ? button.darker(160) : button.darker(150));
        palette.setColor(group, QPalette::Shadow, Qt::black);
    }
    return palette;
}
