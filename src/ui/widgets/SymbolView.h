#pragma once

#include "Symbols.h"
#include "ColorsAndFonts.h"

#include <QWidget>

class QHBoxLayout;

// One symbol in a tone, centred in its square; follows the scheme live.
class SymbolView : public QWidget
{
    Q_OBJECT

public:
    SymbolView(const QString& symbol, int size, Tone tone = Tone::primary, qreal opacity = 1.0,
        SymbolWeight weight = SymbolWeight::regular, QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    void setTone(Tone tone, qreal opacity = 1.0);
    // The colour it draws in now.
    QColor color() const;

    QSize sizeHint() const override { return { m_size, m_size }; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_size;
    Tone m_tone;
    qreal m_opacity;
    SymbolWeight m_weight;
};

// A symbol before a text, as one row.
QHBoxLayout* symbolBefore(SymbolView* symbol, QWidget* text, int spacing = 5);
