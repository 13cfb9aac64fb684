#include "NewDownloadView.h"

#include "AccentStyle.h"
#include "AppModel.h"
#include "CandidateRow.h"
#include "ClampedLabel.h"
#include "FocusLinkNotifier.h"
#include "FormatCard.h"
#include "JobRow.h"
#include "LinkBox.h"
#include "PlainButton.h"
#include "QuietStyle.h"
#include "Spinner.h"
#include "StyledLabel.h"
#include "Surface.h"
#include "Symbols.h"
#include "SymbolView.h"
#include "VideoCard.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

NewDownloadView::NewDownloadView(AppModel* model, QWidget* parent)
    : QScrollArea(parent)
    , m_model(model)
{
    setObjectName(u"newDownloadView"_s);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);

    m_content = new QWidget;
    m_content->setAutoFillBackground(false);
    auto* column = new QVBoxLayout(m_content);
    column->setContentsMargins(0, 0, 0, 8);
    column->setSpacing(19);

    column->addWidget(buildLinkCard());

    m_chooser = new Surface(12);
    m_chooser->setObjectName(u"chooser"_s);
    m_chooserTitle = new StyledLabel({}, uiFont(16, QFont::DemiBold));
    m_chooserTitle->setObjectName(u"chooserTitle"_s);
    m_chooser->column()->addWidget(m_chooserTitle);
    m_chooser->column()->addWidget(new StyledLabel(u"Elegí el que querés guardar."_s, uiFont(14), Tone::secondary));
    m_chooserRows = new QWidget;
    auto* rows = new QVBoxLayout(m_chooserRows);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(8);
    m_chooser->column()->addWidget(m_chooserRows);
    column->addWidget(m_chooser);

    m_videoCard = new VideoCard(VideoInfo {});
    m_videoCard->setVisible(false);
    column->addWidget(m_videoCard);

    m_formatCard = new FormatCard(m_model);
    column->addWidget(m_formatCard);
    column->addWidget(buildRunningCard());
    column->addWidget(buildFeatureTiles());

    auto* closing = new StyledLabel(u"Descargá contenido que tengas permitido guardar. La calidad depende del archivo "
                                    u"original y de lo que cada plataforma ofrezca."_s,
        uiFont(11), Tone::tertiary);
    closing->setObjectName(u"closingLine"_s);
    closing->setWordWrap(true);
    column->addWidget(closing);
    column->addStretch(1);
    setWidget(m_content);

    connect(m_model, &AppModel::linkStateChanged, this, [this] {
        refreshLink();
        refreshChooser();
        refreshVideo();
        m_formatCard->refreshProfile();
        refreshRunning();
        refreshEnabling();
    });
    connect(m_model, &AppModel::engineStateChanged, this, &NewDownloadView::refreshEnabling);
    connect(m_model, &AppModel::profileChanged, m_formatCard, &FormatCard::refreshProfile);
    connect(m_model, &AppModel::preferencesChanged, m_formatCard, &FormatCard::refreshFolder);
    connect(m_model, &AppModel::jobsChanged, this, &NewDownloadView::refreshRunning);

    refreshLink();
    refreshChooser();
    refreshVideo();
    m_formatCard->refreshProfile();
    m_formatCard->refreshFolder();
    refreshRunning();
    refreshEnabling();
}

QLineEdit* NewDownloadView::linkField() const
{
    return m_linkBox->field();
}

QWidget* NewDownloadView::buildLinkCard()
{
    auto* card = new Surface(20);
    card->setObjectName(u"linkCard"_s);

    auto* top = new QHBoxLayout;
    top->addLayout(symbolBefore(new SymbolView(u"sparkle"_s, 11, Tone::coral, 1.0, SymbolWeight::bold),
        new StyledLabel(u"HECHO PARA TU MAC"_s, uiFont(10, QFont::Bold, 1.2), Tone::coral)));
    top->addStretch(1);
    top->addWidget(new StyledLabel(u"SIN CUENTAS · TODO LOCAL"_s, uiFont(9, QFont::DemiBold, 0.8), Tone::secondary));
    card->column()->addLayout(top);

    auto* headline = new QVBoxLayout;
    headline->setSpacing(8);
    headline->addWidget(new StyledLabel(u"Dale un lugar en tu Mac."_s, uiFont(32, QFont::Bold, -1)));
    auto* lead = new StyledLabel(
        u"Pegá un enlace. Elegí audio o video. Guardalo en la calidad que necesitás."_s, uiFont(14), Tone::secondary);
    lead->setWordWrap(true);
    headline->addWidget(lead);
    card->column()->addLayout(headline);

    m_linkBox = new LinkBox;
    QLineEdit* field = m_linkBox->field();
    connect(field, &QLineEdit::textEdited, m_model, &AppModel::setLink);
    connect(field, &QLineEdit::returnPressed, m_model, &AppModel::analyze);
    connect(m_linkBox, &LinkBox::left, m_model, &AppModel::saveDraftNow);
    connect(m_linkBox->clearButton(), &QAbstractButton::clicked, this, &NewDownloadView::clearLink);
    connect(m_linkBox->pasteButton(), &QAbstractButton::clicked, m_model, &AppModel::paste);

    m_analyze = new QPushButton(u"Analizar enlace"_s);
    m_analyze->setObjectName(u"analyze"_s);
    AccentStyle::apply(m_analyze);
    connect(m_analyze, &QPushButton::clicked, m_model, &AppModel::analyze);

    m_cancel = new QPushButton(u"Cancelar"_s);
    m_cancel->setObjectName(u"cancelAnalysis"_s);
    QuietStyle::apply(m_cancel);
    m_spinner = new Spinner(m_cancel);
    connect(m_cancel, &QPushButton::clicked, m_model, &AppModel::cancelAnalysis);

    auto* linkRow = new QHBoxLayout;
    linkRow->setSpacing(10);
    linkRow->addWidget(m_linkBox, 1);
    linkRow->addWidget(m_analyze);
    linkRow->addWidget(m_cancel);
    card->column()->addLayout(linkRow);

    m_analyzingLine
        = new StyledLabel(u"Consultando el video y sus calidades disponibles…"_s, uiFont(12), Tone::secondary);
    m_analyzingLine->setObjectName(u"analyzingLine"_s);
    card->column()->addWidget(m_analyzingLine);
    return card;
}

QWidget* NewDownloadView::buildFeatureTiles()
{
    m_tiles = new QWidget;
    m_tiles->setObjectName(u"featureTiles"_s);
    auto* row = new QHBoxLayout(m_tiles);
    row->setContentsMargins(0, 8, 0, 8);
    row->setSpacing(16);
    const struct
    {
        QString symbol;
        QString title;
        QString text;
    } features[] = {
        { u"waveform"_s, u"Tu audio, tu formato"_s, u"De MP3 a WAV. Elegí la calidad para cada uso."_s },
        { u"4k.tv"_s, u"Video de verdad"_s, u"De formatos livianos a la resolución máxima disponible."_s },
        { u"checkmark.seal"_s, u"Sin repetir trabajo"_s,
            u"Reutilizamos originales y detectamos versiones ya guardadas."_s },
    };
    for (const auto& feature : features) {
        auto* tile = new QWidget;
        // Equal thirds, whatever the texts' natural widths.
        QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        tile->setSizePolicy(policy);
        auto* column = new QVBoxLayout(tile);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(9);
        column->addWidget(new SymbolView(feature.symbol, 20, Tone::coral, 0.9));
        column->addWidget(new StyledLabel(feature.title, uiFont(13, QFont::DemiBold)));
        auto* text = new StyledLabel(feature.text, uiFont(12), Tone::secondary);
        text->setWordWrap(true);
        column->addWidget(text);
        column->addStretch(1);
        row->addWidget(tile, 1, Qt::AlignTop);
    }
    return m_tiles;
}

QWidget* NewDownloadView::buildRunningCard()
{
    m_running = new Surface(12);
    m_running->setObjectName(u"runningCard"_s);
    auto* header = new QHBoxLayout;
    header->addLayout(symbolBefore(new SymbolView(u"arrow.down.circle"_s, 11, Tone::secondary, 1.0, SymbolWeight::bold),
        new StyledLabel(u"DESCARGA EN CURSO"_s, uiFont(10, QFont::Bold, 0.8), Tone::secondary)));
    header->addStretch(1);
    auto* showQueue = new PlainButton(u"Ver cola"_s, uiFont(12), Tone::coral);
    showQueue->setObjectName(u"showQueue"_s);
    connect(showQueue, &QAbstractButton::clicked, this, [this] { m_model->setSection(Section::queue); });
    header->addWidget(showQueue);
    m_running->column()->addLayout(header);
    return m_running;
}

void NewDownloadView::refreshLink()
{
    QLineEdit* field = m_linkBox->field();
    const QString link = m_model->link();
    if (field->text() != link)
        field->setText(link);
    m_linkBox->clearButton()->setVisible(!link.isEmpty());

    const bool analyzing = m_model->analyzing();
    m_analyze->setVisible(!analyzing);
    m_cancel->setVisible(analyzing);
    m_analyzingLine->setVisible(analyzing);
    if (analyzing)
        m_spinner->start();
    else
        m_spinner->stop();
}

void NewDownloadView::refreshChooser()
{
    const QList<VideoInfo> candidates = m_model->candidates();
    const std::optional<VideoInfo> info = m_model->info();
    m_chooser->setVisible(candidates.size() >= 2);
    if (candidates.size() < 2) {
        qDeleteAll(std::exchange(m_candidateRows, {}));
        return;
    }
    m_chooserTitle->setText(u"Esta publicación tiene "_s + QString::number(candidates.size()) + u" videos"_s);

    bool same = m_candidateRows.size() == candidates.size();
    for (qsizetype i = 0; same && i < candidates.size(); ++i)
        same = m_candidateRows[i]->video() == candidates[i];
    if (!same) {
        qDeleteAll(std::exchange(m_candidateRows, {}));
        for (qsizetype i = 0; i < candidates.size(); ++i) {
            auto* row = new CandidateRow(int(i + 1), candidates[i], false);
            row->setObjectName(u"candidate-%1"_s.arg(i + 1));
            connect(row, &QAbstractButton::clicked, this, [this, id = candidates[i].id] { m_model->chooseVideo(id); });
            m_chooserRows->layout()->addWidget(row);
            m_candidateRows.append(row);
        }
    }
    for (CandidateRow* row : std::as_const(m_candidateRows))
        row->setChosen(info && info->id == row->video().id);
}

void NewDownloadView::refreshVideo()
{
    const std::optional<VideoInfo> info = m_model->info();
    if (info && *info != m_videoCard->info())
        m_videoCard->setInfo(*info);
    m_videoCard->setVisible(info.has_value());
}

void NewDownloadView::refreshRunning()
{
    const std::optional<DownloadJob> active = m_model->active();
    // The row follows its own job's progress; another job gets a row of its own.
    if (m_jobRow && (!active || m_jobRow->job().id != active->id))
        delete std::exchange(m_jobRow, nullptr);
    if (active && !m_jobRow) {
        m_jobRow = new JobRow(*active, m_model, true);
        m_running->column()->addWidget(m_jobRow);
    }
    m_running->setVisible(active.has_value());
    m_tiles->setVisible(!active && !m_model->info());
}

void NewDownloadView::refreshEnabling()
{
    const bool ready = m_model->engineReady();
    m_analyze->setEnabled(ready && !m_model->link().isEmpty());
    m_formatCard->downloadButton()->setEnabled(ready && m_model->info() && !m_model->analyzing());
}

void NewDownloadView::clearLink()
{
    m_model->cancelAnalysis();
    m_model->setLink(QString());
    m_model->clearInfo();
}

void NewDownloadView::focusLink()
{
    m_linkBox->field()->setFocus(Qt::ShortcutFocusReason);
}

void NewDownloadView::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    connect(&FocusLinkNotifier::instance(), &FocusLinkNotifier::focusLink, this, &NewDownloadView::focusLink,
        Qt::UniqueConnection);
}

void NewDownloadView::hideEvent(QHideEvent* event)
{
    disconnect(&FocusLinkNotifier::instance(), &FocusLinkNotifier::focusLink, this, &NewDownloadView::focusLink);
    QScrollArea::hideEvent(event);
}
