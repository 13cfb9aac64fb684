#pragma once

#include <QWidget>

// The header's engine status: a green or orange dot and a short text in a
// capsule. It shows state only; it is not a control.
class EngineCapsule : public QWidget
{
    Q_OBJECT

public:
    explicit EngineCapsule(QWidget* parent = nullptr);

    // Readiness wins over a check in progress.
    static QString statusText(bool ready, bool checking);

    void setStatus(bool ready, bool checking);
    bool isReady() const { return m_ready; }
    QString text() const { return statusText(m_ready, m_checking); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_ready = false;
    bool m_checking = true;
};
