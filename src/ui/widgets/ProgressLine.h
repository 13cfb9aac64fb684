#pragma once

#include <QWidget>

// A thin linear progress bar filled in coral. A value that is not a finite
// number draws as an empty bar.
class ProgressLine : public QWidget
{
    Q_OBJECT

public:
    static constexpr int thickness = 6;

    explicit ProgressLine(QWidget* parent = nullptr);

    double value() const { return m_value; }
    // The filled fraction, between 0 and 1.
    static double fraction(double value);
    void setValue(double value);

    QSize sizeHint() const override { return { 120, thickness }; }
    QSize minimumSizeHint() const override { return { thickness * 2, thickness }; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_value = 0;
};
