#include "LinkBox.h"

#include "PlainButton.h"
#include "SymbolView.h"
#include "Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int padding = 15;
constexpr qreal radius = 11;
} // namespace

LinkBox::LinkBox(QWidget* parent)
    : QWidget(parent)
    , m_field(new QLineEdit)
    , m_clear(new PlainButton({}, uiFont(15), Tone::secondary))
    , m_paste(new PlainButton({}, uiFont(15), Tone::secondary))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_field->setObjectName(u"linkField"_s);
    m_field->setFrame(false);
    m_field->setFont(uiFont(15));
    m_field->setPlaceholderText(u"Pegá un enlace de video…"_s);
    m_field->setAccessibleName(u"Enlace de video"_s);
    // The box draws the fill; the field stays clear over it and otherwise keeps
    // the palette, so that its text follows the scheme (a style sheet would not).
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    m_field->setPalette(palette);
    // As tall as its line and the cursor's margin: the style would add room of
    // its own, and the box's padding already places the text.
    m_field->setFixedHeight(m_field->fontMetrics().height() + 2);
    m_field->installEventFilter(this);

    m_clear->setObjectName(u"clearLink"_s);
    m_clear->setAccessibleName(u"Borrar enlace"_s);
    m_clear->setLeading({ u"xmark.circle.fill"_s, 17, std::nullopt });
    m_paste->setObjectName(u"pasteLink"_s);
    m_paste->setToolTip(u"Pegar y analizar enlace"_s);
    m_paste->setAccessibleName(u"Pegar enlace"_s);
    m_paste->setLeading({ u"doc.on.clipboard"_s, 17, std::nullopt });

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(padding, padding, padding, padding);
    row->setSpacing(10);
    row->addWidget(new SymbolView(u"link"_s, 16, Tone::secondary));
    row->addWidget(m_field, 1);
    row->addWidget(m_clear);
    row->addWidget(m_paste);
}

bool LinkBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        update();
    if (watched == m_field && event->type() == QEvent::FocusOut)
        Q_EMIT left();
    return QWidget::eventFilter(watched, event);
}

void LinkBox::paintEvent(QPaintEvent*)
{
    const Theme& theme = Theme::instance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor outline = m_field->hasFocus() ? coral() : theme.color(Tone::primary, 0.07);
    if (m_field->hasFocus())
        outline.setAlphaF(0.6f);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(theme.color(Tone::primary, 0.045));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}
