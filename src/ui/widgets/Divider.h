#pragma once

#include <QWidget>

// A 1-pixel line in the text colour at a low opacity: the sidebar's edge and dividers.
class Divider : public QWidget
{
    Q_OBJECT

public:
    explicit Divider(Qt::Orientation orientation, qreal opacity, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation m_orientation;
    qreal m_opacity;
};
