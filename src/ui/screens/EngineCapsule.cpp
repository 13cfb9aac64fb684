#include "EngineCapsule.h"

#include "Theme.h"

#include <QPainter>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int dot = 6;
constexpr int spacing = 7;
const QSize padding(12, 8);

} // namespace

EngineCapsule::EngineCapsule(QWidget* parent)
    : QWidget(parent)
{
    setFont(uiFont(12, QFont::Medium));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(text());
}

QString EngineCapsule::statusText(bool ready, bool checking)
{
    if (ready)
        return u"Motor local listo"_s;
    return checking ? u"Comprobando motor"_s : u"Revisar motor"_s;
}

void EngineCapsule::setStatus(bool ready, bool checking)
{
    m_ready = ready;
    m_checking = checking;
    setAccessibleName(text());
    updateGeometry();
    update();
}

QSize EngineCapsule::sizeHint() const
{
    const QSize text = fontMetrics().size(Qt::TextSingleLine, this->text());
    return { padding.width() + dot + spacing + text.width() + padding.width(),
        qMax(dot, text.height()) + 2 * padding.height() };
}

void EngineCapsule::paintEvent(QPaintEvent*)
{
    const Theme& theme = Theme::instance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(theme.color(Tone::primary, 0.04));
    const QRectF capsule = rect();
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);

    painter.setBrush(theme.color(m_ready ? Tone::green : Tone::orange));
    const qreal top = (height() - dot) / 2.0;
    painter.drawEllipse(QRectF(padding.width(), top, dot, dot));

    painter.setPen(theme.color(Tone::secondary));
    const int left = padding.width() + dot + spacing;
    painter.drawText(
        QRect(left, 0, width() - left - padding.width(), height()), Qt::AlignVCenter | Qt::AlignLeft, text());
}
