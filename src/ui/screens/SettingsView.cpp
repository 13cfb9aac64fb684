#include "SettingsView.h"

#include "AccentStyle.h"
#include "AppModel.h"
#include "AppUpdates.h"
#include "Divider.h"
#include "QuietStyle.h"
#include "SegmentedPicker.h"
#include "StyledLabel.h"
#include "SwitchButton.h"
#include "SymbolView.h"
#include "TextFormatting.h"
#include "Theme.h"
#include "UpdateSettingsView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

StyledLabel* heading(const QString& text, int size = 14)
{
    return new StyledLabel(text, uiFont(size, QFont::DemiBold));
}

StyledLabel* selectable(StyledLabel* label)
{
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

} // namespace

SettingsView::SettingsView(AppModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_appearance(new SegmentedPicker(SegmentedPicker::segmentsOf<Appearance>()))
    , m_folder(selectable(new StyledLabel({}, uiFont(12), Tone::secondary)))
    , m_metadata(new SwitchButton(u"Conservar título, autor y enlace como etiquetas"_s))
    , m_cacheSize(new StyledLabel({}, uiFont(12), Tone::secondary))
    , m_clearCache(new QPushButton(u"Vaciar caché"_s))
    , m_engineSymbol(new SymbolView({}, 15))
    , m_engineTitle(heading({}, 13))
    , m_engineDetail(selectable(new StyledLabel({}, uiFont(10), Tone::secondary)))
    , m_recheck(new QPushButton)
    , m_engineVersions(selectable(new StyledLabel({}, uiFont(11), Tone::secondary)))
    , m_refreshEngine(new QPushButton)
    , m_rollBack(new QPushButton(u"Volver a la versión anterior"_s))
    , m_refreshStatus(selectable(new StyledLabel({}, uiFont(12), Tone::secondary)))
    , m_keepEngineCurrent(new SwitchButton(u"Mantener el motor actualizado"_s))
{
    setObjectName(u"settingsView"_s);
    setFixedWidth(sheetWidth);
    m_appearance->setObjectName(u"appearancePicker"_s);
    m_folder->setObjectName(u"folderPath"_s);
    m_metadata->setObjectName(u"metadataSwitch"_s);
    m_cacheSize->setObjectName(u"cacheSize"_s);
    m_cacheSize->setWordWrap(true);
    m_clearCache->setObjectName(u"clearCache"_s);
    m_engineTitle->setObjectName(u"engineTitle"_s);
    m_engineSymbol->setObjectName(u"engineSymbol"_s);
    m_engineDetail->setObjectName(u"engineDetail"_s);
    m_recheck->setObjectName(u"recheckEngine"_s);
    m_engineVersions->setObjectName(u"engineVersions"_s);
    m_refreshEngine->setObjectName(u"refreshEngine"_s);
    m_rollBack->setObjectName(u"rollBackEngine"_s);
    m_refreshStatus->setObjectName(u"engineRefreshStatus"_s);
    m_keepEngineCurrent->setObjectName(u"keepEngineCurrent"_s);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(28, 28, 28, 28);
    column->setSpacing(22);

    auto* header = new QHBoxLayout;
    header->addWidget(new StyledLabel(u"Preferencias"_s, uiFont(24, QFont::Bold)));
    header->addStretch(1);
    auto* done = new QPushButton(u"Listo"_s);
    done->setObjectName(u"done"_s);
    AccentStyle::apply(done, true);
    connect(done, &QPushButton::clicked, this, [this] { m_model->setSettings(false); });
    header->addWidget(done);
    column->addLayout(header);

    auto* appearance = new QVBoxLayout;
    appearance->setSpacing(12);
    appearance->addWidget(heading(u"Apariencia"_s));
    m_appearance->setAccessibleName(u"Color"_s);
    connect(m_appearance, &SegmentedPicker::picked, m_model, [this](const QString& value) {
        if (const std::optional<Appearance> appearance = fromRawValue<Appearance>(value))
            m_model->setAppearance(*appearance);
    });
    auto* pickerRow = new QHBoxLayout;
    pickerRow->addWidget(m_appearance);
    pickerRow->addStretch(1);
    appearance->addLayout(pickerRow);
    column->addLayout(appearance);

    column->addWidget(new Divider(Qt::Horizontal, 0.1));
    auto* folder = new QVBoxLayout;
    folder->setSpacing(10);
    folder->addWidget(heading(u"Carpeta de descargas"_s));
    folder->addWidget(m_folder);
    auto* change = new QPushButton(u"Cambiar carpeta…"_s);
    change->setObjectName(u"chooseFolder"_s);
    QuietStyle::apply(change);
    connect(change, &QPushButton::clicked, m_model, &AppModel::chooseFolder);
    folder->addWidget(change, 0, Qt::AlignLeft);
    connect(m_metadata, &QAbstractButton::clicked, m_model, &AppModel::setMetadata);
    folder->addWidget(m_metadata, 0, Qt::AlignLeft);
    column->addLayout(folder);

    column->addWidget(new Divider(Qt::Horizontal, 0.1));
    auto* cache = new QHBoxLayout;
    auto* cacheText = new QVBoxLayout;
    cacheText->setSpacing(6);
    cacheText->addWidget(heading(u"Originales reutilizables"_s));
    cacheText->addWidget(m_cacheSize);
    auto* keeps
        = new StyledLabel(u"Vaciar esta caché conserva tus archivos descargados."_s, uiFont(11), Tone::secondary);
    keeps->setWordWrap(true);
    cacheText->addWidget(keeps);
    cache->addLayout(cacheText, 1);
    QuietStyle::apply(m_clearCache);
    connect(m_clearCache, &QPushButton::clicked, m_model, &AppModel::clearCache);
    cache->addWidget(m_clearCache, 0, Qt::AlignVCenter);
    column->addLayout(cache);

    column->addWidget(new Divider(Qt::Horizontal, 0.1));
    column->addWidget(new UpdateSettingsView(m_model->updates()));

    column->addWidget(new Divider(Qt::Horizontal, 0.1));
    auto* engine = new QVBoxLayout;
    engine->setSpacing(7);
    auto* engineTitle = new QHBoxLayout;
    engineTitle->setSpacing(6);
    engineTitle->addWidget(m_engineSymbol);
    engineTitle->addWidget(m_engineTitle);
    engineTitle->addStretch(1);
    engine->addLayout(engineTitle);
    m_engineDetail->setMaximumHeight(m_engineDetail->fontMetrics().lineSpacing() * 4);
    engine->addWidget(m_engineDetail);
    engine->addWidget(m_engineVersions);
    auto* engineButtons = new QHBoxLayout;
    engineButtons->setSpacing(8);
    for (QPushButton* button : { m_recheck, m_refreshEngine, m_rollBack }) {
        QuietStyle::apply(button);
        engineButtons->addWidget(button);
    }
    engineButtons->addStretch(1);
    connect(m_recheck, &QPushButton::clicked, m_model, &AppModel::checkEngine);
    connect(m_refreshEngine, &QPushButton::clicked, m_model, &AppModel::refreshEngine);
    connect(m_rollBack, &QPushButton::clicked, m_model, &AppModel::rollBackEngine);
    engine->addLayout(engineButtons);
    engine->addWidget(m_refreshStatus);
    connect(m_keepEngineCurrent, &QAbstractButton::clicked, m_model, &AppModel::setKeepEngineCurrent);
    engine->addWidget(m_keepEngineCurrent, 0, Qt::AlignLeft);
    engine->addWidget(new StyledLabel(
        u"Brisomar "_s + m_model->updates()->version() + u" · macOS · Apple Silicon"_s, uiFont(11), Tone::tertiary));
    column->addLayout(engine);

    connect(m_model, &AppModel::preferencesChanged, this, &SettingsView::refreshPreferences);
    connect(m_model, &AppModel::cacheSizeChanged, this, &SettingsView::refreshCache);
    connect(m_model, &AppModel::jobsChanged, this, &SettingsView::refreshCache);
    connect(m_model, &AppModel::engineStateChanged, this, &SettingsView::refreshEngine);
    connect(m_model, &AppModel::engineRefreshChanged, this, &SettingsView::refreshEngineRefresh);
    refreshPreferences();
    refreshCache();
    refreshEngine();
    refreshEngineRefresh();
}

void SettingsView::refreshPreferences()
{
    const Preferences preferences = m_model->preferences();
    m_appearance->setValue(rawValue(preferences.appearance));
    m_folder->setText(preferences.folder);
    m_metadata->setChecked(preferences.metadata);
    m_keepEngineCurrent->setChecked(preferences.keepEngineCurrent);
    // The sheet follows the appearance choice at once, window and all.
    Theme::instance().setPreferred(m_model->colorScheme());
}

void SettingsView::refreshCache()
{
    m_cacheSize->setText(bytesString(m_model->cacheSize()) + u" · Evita bajar el mismo audio al cambiar de calidad."_s);
    m_clearCache->setEnabled(!m_model->active() && !m_model->clearingCache());
}

void SettingsView::refreshEngine()
{
    const bool ready = m_model->engineReady();
    const bool checking = m_model->engineChecking();
    m_engineTitle->setText(ready ? u"Motor incluido y listo"_s : u"Motor no disponible"_s);
    m_engineSymbol->setSymbol(ready ? u"checkmark.circle"_s : u"exclamationmark.circle"_s);
    m_engineSymbol->setTone(ready ? Tone::green : Tone::coral);
    m_engineDetail->setText(m_model->engineDetail());
    m_recheck->setText(checking ? u"Comprobando…"_s : u"Volver a comprobar"_s);
    m_recheck->setEnabled(!checking);
}

void SettingsView::refreshEngineRefresh()
{
    const bool refreshing = m_model->engineRefreshing();
    m_engineVersions->setText(m_model->engineVersions());
    m_engineVersions->setVisible(!m_model->engineVersions().isEmpty());
    m_refreshEngine->setText(refreshing ? u"Buscando…"_s : u"Actualizar motor"_s);
    m_refreshEngine->setEnabled(!refreshing);
    m_rollBack->setVisible(m_model->engineRollbackAvailable());
    m_rollBack->setEnabled(!refreshing);
    m_refreshStatus->setText(m_model->engineRefreshStatus());
    m_refreshStatus->setVisible(!m_model->engineRefreshStatus().isEmpty());
}

void SettingsView::paintEvent(QPaintEvent*)
{
    // A sheet has the window's background, whoever presents it.
    QPainter(this).fillRect(rect(), windowBackground(Theme::instance().scheme()));
}
