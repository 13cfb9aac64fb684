#include "EmptyState.h"

#include "AccentStyle.h"
#include "StyledLabel.h"
#include "SymbolView.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

EmptyState::EmptyState(const QString& icon, const QString& title, const QString& description, const QString& button,
    std::function<void()> action, QWidget* parent)
    : Surface(17, parent)
    , m_icon(new SymbolView(icon, 48, Tone::coral, 0.7, SymbolWeight::light))
    , m_title(new StyledLabel(title, uiFont(23, QFont::DemiBold)))
    , m_description(new StyledLabel(description, uiFont(14), Tone::secondary))
    , m_button(new QPushButton(button))
    , m_action(std::move(action))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_icon->setObjectName(u"emptyStateIcon"_s);
    m_title->setObjectName(u"emptyStateTitle"_s);
    m_title->setAlignment(Qt::AlignCenter);
    m_description->setObjectName(u"emptyStateDescription"_s);
    m_description->setAlignment(Qt::AlignCenter);
    m_description->setWordWrap(true);
    m_description->setMaximumWidth(410);
    m_button->setObjectName(u"emptyStateButton"_s);
    AccentStyle::apply(m_button);
    connect(m_button, &QPushButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });

    QVBoxLayout* column = this->column();
    column->addStretch(1);
    column->addWidget(m_icon, 0, Qt::AlignHCenter);
    column->addSpacing(6);
    column->addWidget(m_title, 0, Qt::AlignHCenter);
    // An aligned item keeps its preferred width but is given the height of the
    // full width, which cuts wrapped lines; centre it between stretches instead.
    auto* centred = new QHBoxLayout;
    centred->addStretch(1);
    centred->addWidget(m_description, 1000);
    centred->addStretch(1);
    column->addLayout(centred);
    column->addSpacing(5);
    column->addWidget(m_button, 0, Qt::AlignHCenter);
    column->addStretch(1);
}

QString EmptyState::title() const
{
    return m_title->text();
}

void EmptyState::setTitle(const QString& title)
{
    m_title->setText(title);
}

QString EmptyState::description() const
{
    return m_description->text();
}

void EmptyState::setDescription(const QString& description)
{
    m_description->setText(description);
}
