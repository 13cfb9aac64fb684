#include "UpdateSettingsView.h"

#include "AppUpdates.h"
#include "QuietStyle.h"
#include "StyledLabel.h"
#include "SwitchButton.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

UpdateSettingsView::UpdateSettingsView(AppUpdates* updates, QWidget* parent)
    : QWidget(parent)
    , m_updates(updates)
    , m_check(new QPushButton(u"Buscar actualizaciones…"_s))
    , m_status(new StyledLabel({}, uiFont(12), Tone::secondary))
    , m_automatic(new SwitchButton(u"Avisarme cuando haya nuevas versiones"_s))
    , m_note(new StyledLabel(
          u"La instalación requiere tu elección y espera a que termine la cola."_s, uiFont(11), Tone::secondary))
{
    setObjectName(u"updateSettings"_s);
    m_check->setObjectName(u"checkUpdates"_s);
    m_status->setObjectName(u"updateStatus"_s);
    m_status->setWordWrap(true);
    m_automatic->setObjectName(u"automaticChecks"_s);
    m_note->setObjectName(u"automaticNote"_s);
    m_note->setWordWrap(true);
    QuietStyle::apply(m_check);
    connect(m_check, &QPushButton::clicked, m_updates, &AppUpdates::check);
    connect(m_automatic, &QAbstractButton::clicked, this, [this](bool automatic) {
        m_updates->setAutomatic(automatic);
        // The updater's answer arrives queued; after it, a refused change springs back.
        QMetaObject::invokeMethod(this, &UpdateSettingsView::refresh, Qt::QueuedConnection);
    });
    connect(m_updates, &AppUpdates::stateChanged, this, &UpdateSettingsView::refresh);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* header = new QHBoxLayout;
    header->addWidget(
        new StyledLabel(u"Actualizaciones · Brisomar "_s + m_updates->version(), uiFont(14, QFont::DemiBold)));
    header->addStretch(1);
    header->addWidget(m_check);
    column->addLayout(header);
    column->addWidget(m_status);
    column->addWidget(m_automatic);
    column->addWidget(m_note);
    refresh();
}

void UpdateSettingsView::refresh()
{
    const bool configured = m_updates->configured();
    // Unconfigured, the check explains the situation itself, so it stays available.
    m_check->setEnabled(!configured || m_updates->canCheck());
    m_status->setText(m_updates->status());
    m_automatic->setVisible(configured);
    m_note->setVisible(configured);
    // The switch always shows the updater's value: a refused change springs back.
    m_automatic->setChecked(m_updates->automaticChecks());
}
