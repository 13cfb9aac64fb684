#include "Sidebar.h"

#include "AppModel.h"
#include "AppUpdates.h"
#include "BrandMark.h"
#include "Divider.h"
#include "NavigationEntry.h"
#include "PlainButton.h"
#include "StyledLabel.h"
#include "SymbolView.h"
#include "Theme.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

Sidebar::Sidebar(AppModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_folder(new PlainButton(QString(), uiFont(13, QFont::Medium)))
    , m_version(new StyledLabel(QString(), uiFont(10), Tone::tertiary))
{
    setObjectName(u"sidebar"_s);

    auto* column = new QVBoxLayout(this);
    constexpr int sidePadding = 20;
    column->setContentsMargins(sidePadding, 52, sidePadding, 24);
    column->setSpacing(28);

    auto* brand = new QHBoxLayout;
    brand->setSpacing(10);
    brand->addWidget(new BrandMark);
    auto* names = new QVBoxLayout;
    names->setSpacing(1);
    names->addStretch(1);
    names->addWidget(new StyledLabel(u"Brisomar"_s, uiFont(21, QFont::Bold)));
    names->addWidget(new StyledLabel(u"LOCAL DOWNLOADER"_s, uiFont(8, QFont::DemiBold, 1.6), Tone::secondary));
    names->addStretch(1);
    brand->addLayout(names);
    brand->addStretch(1);
    column->addLayout(brand);

    auto* entries = new QVBoxLayout;
    entries->setSpacing(5);
    const struct
    {
        Section section;
        QString symbol;
        QString name;
    } sections[] = {
        { Section::newDownload, u"plus.circle"_s, u"navNew"_s },
        { Section::queue, u"arrow.down.circle"_s, u"navQueue"_s },
        { Section::library, u"rectangle.stack"_s, u"navLibrary"_s },
    };
    for (const auto& section : sections) {
        auto* entry = new NavigationEntry(title(section.section), section.symbol, section.section);
        entry->setObjectName(section.name);
        connect(entry, &NavigationEntry::clicked, m_model, [this, s = section.section] { m_model->setSection(s); });
        entries->addWidget(entry);
        m_entries.append(entry);
    }
    column->addLayout(entries);
    column->addStretch(1);
    // A wide system font must not cut a section's title: the sidebar grows instead.
    int needed = 0;
    for (const NavigationEntry* entry : std::as_const(m_entries))
        needed = std::max(needed, entry->widestWidth());
    setFixedWidth(std::max(preferredWidth, needed + 2 * sidePadding));

    auto* folderBlock = new QVBoxLayout;
    folderBlock->setSpacing(13);
    folderBlock->addWidget(new StyledLabel(u"TU CARPETA"_s, uiFont(10, QFont::DemiBold, 1.1), Tone::secondary));
    m_folder->setObjectName(u"folderButton"_s);
    m_folder->setLeading({ u"folder"_s, 15, std::nullopt });
    m_folder->setTrailing({ u"arrow.up.right"_s, 10, Tone::secondary });
    m_folder->setSpacing(9);
    m_folder->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(m_folder, &PlainButton::clicked, m_model, &AppModel::openFolder);
    folderBlock->addWidget(m_folder, 0, Qt::AlignLeft);

    auto* change = new PlainButton(u"Cambiar carpeta"_s, uiFont(12), Tone::secondary);
    change->setObjectName(u"changeFolder"_s);
    connect(change, &PlainButton::clicked, m_model, &AppModel::chooseFolder);
    folderBlock->addWidget(change, 0, Qt::AlignLeft);

    // The divider keeps 4 more above and below than the block's own spacing.
    auto* divider = new QVBoxLayout;
    divider->setContentsMargins(0, 4, 0, 4);
    divider->addWidget(new Divider(Qt::Horizontal, 0.1));
    folderBlock->addLayout(divider);

    auto* preferences = new PlainButton(u"Preferencias"_s, uiFont(13));
    preferences->setObjectName(u"preferences"_s);
    preferences->setLeading({ u"slider.horizontal.3"_s, 14, std::nullopt });
    preferences->setSpacing(8);
    connect(preferences, &PlainButton::clicked, m_model, [this] { m_model->setSettings(true); });
    folderBlock->addWidget(preferences, 0, Qt::AlignLeft);

    auto* bottom = new QVBoxLayout;
    bottom->setSpacing(8);
    bottom->addLayout(folderBlock);

    auto* version = new QHBoxLayout;
    version->setSpacing(5);
    version->addWidget(new SymbolView(u"apple.logo"_s, 11, Tone::tertiary));
    m_version->setObjectName(u"versionLine"_s);
    m_version->setText(u"Brisomar "_s + m_model->updates()->version());
    version->addWidget(m_version);
    version->addStretch(1);
    bottom->addLayout(version);
    column->addLayout(bottom);

    connect(m_model, &AppModel::sectionChanged, this, &Sidebar::showSection);
    connect(m_model, &AppModel::jobsChanged, this, &Sidebar::showCounts);
    connect(m_model, &AppModel::preferencesChanged, this, &Sidebar::showFolder);
    showSection();
    showCounts();
    showFolder();
}

NavigationEntry* Sidebar::entry(Section section) const
{
    for (NavigationEntry* entry : m_entries)
        if (entry->section() == section)
            return entry;
    return nullptr;
}

QString Sidebar::folderName(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    const QString name = QFileInfo(clean).fileName();
    return name.isEmpty() ? QDir::toNativeSeparators(clean) : name;
}

void Sidebar::showSection()
{
    const Section section = m_model->section();
    for (NavigationEntry* entry : std::as_const(m_entries))
        entry->setSelected(entry->section() == section);
}

void Sidebar::showCounts()
{
    entry(Section::queue)->setBadge(m_model->pendingCount());
    entry(Section::library)->setBadge(int(m_model->completed().size()));
}

void Sidebar::showFolder()
{
    const QString folder = m_model->preferences().folder;
    m_folder->setText(folderName(folder));
    m_folder->setToolTip(QDir::toNativeSeparators(folder));
    m_folder->setAccessibleName(folderName(folder));
    m_folder->updateGeometry();
}

void Sidebar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), sidebarBackground(Theme::instance().scheme()));
}
