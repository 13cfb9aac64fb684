#pragma once

#include <QWidget>

class QPainter;

// The app's mark: a coral gradient rounded square with a white download arrow.
class BrandMark : public QWidget
{
    Q_OBJECT

public:
    static constexpr int side = 39;

    explicit BrandMark(QWidget* parent = nullptr);

    // The mark filling `rect` (a square), its corner and arrow scaled to fit.
    static void paint(QPainter& painter, const QRectF& rect, qreal devicePixelRatio = 1.0);

    QSize sizeHint() const override { return { side, side }; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
