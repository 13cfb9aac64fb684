#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QAbstractButton;

// Turns a button's symbol into a small spinning wheel while running. The
// button's style tints the wheel like any symbol.
class Spinner : public QObject
{
    Q_OBJECT

public:
    explicit Spinner(QAbstractButton* button);

    void start();
    void stop();
    bool isRunning() const { return m_timer.isActive(); }

private:
    void advance();

    QPointer<QAbstractButton> m_button;
    QTimer m_timer;
    int m_step = 0;
};
