#pragma once

#include "ColorsAndFonts.h"

#include <QLabel>

// A label in one of the window's text tones; its colour follows the scheme live.
class StyledLabel : public QLabel
{
    Q_OBJECT

public:
    StyledLabel(const QString& text, const QFont& font, Tone tone = Tone::primary, qreal opacity = 1.0,
        QWidget* parent = nullptr);

    Tone tone() const { return m_tone; }
    void setTone(Tone tone, qreal opacity = 1.0);

private:
    void applyTone();

    Tone m_tone;
    qreal m_opacity;
};
