#include "SearchBox.h"

#include "SymbolView.h"
#include "Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;

SearchBox::SearchBox(const QString& placeholder, QWidget* parent)
    : QWidget(parent)
    , m_field(new QLineEdit)
{
    m_field->setPlaceholderText(placeholder);
    m_field->setFrame(false);
    m_field->setFont(uiFont(14));
    // The box draws the fill; the field stays clear over it in either scheme.
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    m_field->setPalette(palette);
    m_field->setClearButtonEnabled(false);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(11, 11, 11, 11);
    row->setSpacing(8);
    row->addWidget(new SymbolView(u"magnifyingglass"_s, 15, Tone::secondary));
    row->addWidget(m_field, 1);
    setFocusProxy(m_field);
    m_field->installEventFilter(this);
}

bool SearchBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        update();
    return QWidget::eventFilter(watched, event);
}

void SearchBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::instance().color(Tone::primary, 0.045));
    painter.drawRoundedRect(QRectF(rect()), 9, 9);
    if (m_field->hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Theme::instance().color(Tone::coral, 0.7), 1.5));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 9, 9);
    }
}
