#pragma once

#include "ButtonStyle.h"

class QPushButton;

// The primary button look: white semibold text on coral, fainter while pressed
// and much fainter while disabled. The compact size serves headers and sheets.
class AccentStyle : public ButtonStyle
{
    Q_OBJECT

public:
    // Gives `button` the look; the style is shared and outlives the button.
    static void apply(QPushButton* button, bool compact = false);
    static AccentStyle* shared(bool compact);

    bool isCompact() const { return m_compact; }
    Look look(bool pressed, bool enabled, ColorScheme scheme) const override;

private:
    explicit AccentStyle(bool compact);

    bool m_compact;
};
