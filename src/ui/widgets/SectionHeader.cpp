#include "SectionHeader.h"

#include "AppModel.h"
#include "EngineCapsule.h"
#include "StyledLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

SectionHeader::SectionHeader(AppModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_title(new StyledLabel(QString(), uiFont(25, QFont::Bold)))
    , m_subtitle(new StyledLabel(QString(), uiFont(13), Tone::secondary))
    , m_capsule(new EngineCapsule)
{
    setObjectName(u"header"_s);
    m_title->setObjectName(u"headerTitle"_s);
    m_subtitle->setObjectName(u"headerSubtitle"_s);
    m_capsule->setObjectName(u"engineCapsule"_s);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto* text = new QVBoxLayout;
    text->setSpacing(5);
    text->addWidget(m_title);
    text->addWidget(m_subtitle);
    row->addLayout(text);
    row->addStretch(1);
    row->addWidget(m_capsule, 0, Qt::AlignVCenter);

    connect(m_model, &AppModel::sectionChanged, this, &SectionHeader::showSection);
    connect(m_model, &AppModel::engineStateChanged, this, &SectionHeader::showEngine);
    showSection();
    showEngine();
}

SectionHeader::Titles SectionHeader::titles(Section section)
{
    switch (section) {
    case Section::newDownload:
        return { u"Nueva descarga"_s, u"YouTube · Facebook · Instagram · X. En tu Mac."_s };
    case Section::queue:
        return { u"Tu cola"_s, u"Podés seguir agregando videos mientras descargamos."_s };
    case Section::library:
        break;
    }
    return { u"Descargados"_s, u"Tu biblioteca local. Lista incluso sin conexión."_s };
}

void SectionHeader::showSection()
{
    const Titles shown = titles(m_model->section());
    m_title->setText(shown.title);
    m_subtitle->setText(shown.subtitle);
}

void SectionHeader::showEngine()
{
    m_capsule->setStatus(m_model->engineReady(), m_model->engineChecking());
}
