#pragma once

#include "ColorScheme.h"

#include <QWidget>

class QPainter;
class QVBoxLayout;

// A card: the content sits in a column padded 22 on every side, on a rounded
// background that follows the colour scheme.
class Surface : public QWidget
{
    Q_OBJECT

public:
    static constexpr int padding = 22;
    static constexpr qreal radius = 18;

    // `spacing` separates the column's parts.
    explicit Surface(int spacing = 0, QWidget* parent = nullptr);

    // Where the card's content goes.
    QVBoxLayout* column() const { return m_column; }

    // The card itself, for views that draw cards without being one.
    static void paintCard(QPainter& painter, const QRectF& rect, ColorScheme scheme);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* m_column;
};
