#pragma once

#include <QAbstractButton>

// An on/off switch with its text before it. `clicked(bool)` reports the
// user's changes; setChecked shows the model's value without reporting.
class SwitchButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit SwitchButton(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override { return rect().contains(position); }
};
