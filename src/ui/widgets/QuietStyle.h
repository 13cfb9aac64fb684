#pragma once

#include "ButtonStyle.h"

class QPushButton;

// The secondary button look: medium text on a faint fill of the text colour;
// the whole button fades while disabled.
class QuietStyle : public ButtonStyle
{
    Q_OBJECT

public:
    // Gives `button` the look; the style is shared and outlives the button.
    static void apply(QPushButton* button);
    static QuietStyle* shared();

    Look look(bool pressed, bool enabled, ColorScheme scheme) const override;

private:
    QuietStyle();
};
