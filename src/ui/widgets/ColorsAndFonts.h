#pragma once

#include "ColorScheme.h"

#include <QColor>
#include <QFont>

// The colours and type every screen shares. Sizes are device-independent pixels.

// The accent: the window's tint, the selected section, focused borders, the brand
// mark and error icons.
const QColor& coral();
// Where the brand mark's gradient ends (bottom right); it starts at coral.
const QColor& brandGradientEnd();

QColor windowBackground(ColorScheme scheme);
QColor cardBackground(ColorScheme scheme);
QColor sidebarBackground(ColorScheme scheme);

// Colour roles that change with the scheme. `primary`, `secondary` and `tertiary`
// are the text colours; the others are fixed hues in the scheme's shade.
enum class Tone { primary, secondary, tertiary, coral, white, green, orange };

QColor toneColor(Tone tone, ColorScheme scheme, qreal opacity = 1.0);

// The system font at `size` pixels, as the window's texts are measured.
QFont uiFont(int size, QFont::Weight weight = QFont::Normal, qreal letterSpacing = 0);
