#include "Spinner.h"

#include <QAbstractButton>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QtMath>

namespace {

constexpr int spokes = 8;
constexpr int side = 32;

QIcon wheel(int step)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(side / 2.0, side / 2.0);
    for (int i = 0; i < spokes; ++i) {
        // The newest spoke is darkest; the others fade behind it.
        const int age = (step - i + spokes) % spokes;
        QColor ink(Qt::black);
        ink.setAlphaF(float(1.0 - age * 0.8 / spokes));
        painter.setPen(QPen(ink, 3.2, Qt::SolidLine, Qt::RoundCap));
        painter.save();
        painter.rotate(i * 360.0 / spokes);
        painter.drawLine(QPointF(0, -side * 0.22), QPointF(0, -side * 0.42));
        painter.restore();
    }
    return QIcon(pixmap);
}

} // namespace

Spinner::Spinner(QAbstractButton* button)
    : QObject(button)
    , m_button(button)
{
    m_timer.setInterval(90);
    connect(&m_timer, &QTimer::timeout, this, &Spinner::advance);
}

void Spinner::start()
{
    if (m_timer.isActive())
        return;
    m_timer.start();
    advance();
}

void Spinner::stop()
{
    m_timer.stop();
}

void Spinner::advance()
{
    m_step = (m_step + 1) % spokes;
    if (m_button)
        m_button->setIcon(wheel(m_step));
}
