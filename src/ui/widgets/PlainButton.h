#pragma once

#include "Symbols.h"
#include "ColorsAndFonts.h"

#include <QAbstractButton>

#include <optional>

// A button drawn as its label only: an optional symbol, the text and an optional
// trailing symbol in a row, without a fill. It dims while pressed, fades while
// disabled and elides its text when it is given less room than it asks for.
class PlainButton : public QAbstractButton
{
    Q_OBJECT

public:
    struct Glyph
    {
        QString symbol;
        int size = 0;
        // Nothing draws in the text's tone.
        std::optional<Tone> tone;
        qreal opacity = 1.0;
        SymbolWeight weight = SymbolWeight::regular;
    };

    PlainButton(const QString& text, const QFont& font, Tone tone = Tone::primary, qreal opacity = 1.0,
        QWidget* parent = nullptr);

    void setTone(Tone tone, qreal opacity = 1.0);
    Tone tone() const { return m_tone; }
    void setLeading(const Glyph& glyph);
    void setTrailing(const Glyph& glyph);
    const Glyph& leading() const { return m_leading; }
    void setSpacing(int spacing);
    void setPadding(const QMargins& padding);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QColor toneColor(const std::optional<Tone>& tone, qreal opacity) const;
    int glyphWidth(const Glyph& glyph) const;
    int textWidth() const;

    Tone m_tone;
    qreal m_opacity;
    Glyph m_leading;
    Glyph m_trailing;
    int m_spacing = 6;
    QMargins m_padding;
    bool m_keyboardFocus = false;
};
