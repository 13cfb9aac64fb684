#include "StyledLabel.h"

#include "Theme.h"

StyledLabel::StyledLabel(const QString& text, const QFont& font, Tone tone, qreal opacity, QWidget* parent)
    : QLabel(text, parent)
    , m_tone(tone)
    , m_opacity(opacity)
{
    setFont(font);
    applyTone();
    connect(&Theme::instance(), &Theme::schemeChanged, this, &StyledLabel::applyTone);
}

void StyledLabel::setTone(Tone tone, qreal opacity)
{
    m_tone = tone;
    m_opacity = opacity;
    applyTone();
}

void StyledLabel::applyTone()
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Theme::instance().color(m_tone, m_opacity));
    setPalette(palette);
}
