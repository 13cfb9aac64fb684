#pragma once

#include "ColorScheme.h"
#include "ColorsAndFonts.h"

#include <QObject>
#include <QPalette>

#include <optional>

// Knows the colour scheme in effect and tells when it changes. The appearance
// preference may force a scheme; otherwise the system's applies and is followed
// live. A forced scheme also sets the application palette, so that standard
// widgets, menus and dialogs follow it.
class Theme : public QObject
{
    Q_OBJECT

public:
    // The application's one theme, made on first use; needs a QApplication.
    static Theme& instance();

    ColorScheme scheme() const { return m_scheme; }
    bool isDark() const { return m_scheme == ColorScheme::dark; }
    std::optional<ColorScheme> preferred() const { return m_preferred; }
    // Nothing follows the system.
    void setPreferred(std::optional<ColorScheme> scheme);
    ColorScheme systemScheme() const;

    // `tone` in the scheme in effect.
    QColor color(Tone tone, qreal opacity = 1.0) const { return toneColor(tone, m_scheme, opacity); }

    // The full application palette of a forced scheme.
    static QPalette palette(ColorScheme scheme);

Q_SIGNALS:
    void schemeChanged(ColorScheme scheme);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Theme();
    void applyPalette(bool leavingForced);
    void reconsider();

    std::optional<ColorScheme> m_preferred;
    ColorScheme m_scheme = ColorScheme::light;
};
