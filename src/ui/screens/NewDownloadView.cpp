#include "NewDownloadView.h"

#include "AccentStyle.h"
#include "AppModel.h"
#include "CandidateRow.h"
#include "ClampedLabel.h"
#include "FocusLinkNotifier.h"
#include "JobRow.h"
#include "LinkBox.h"
#include "PickerStyle.h"
#include "PlainButton.h"
#include "QuietStyle.h"
#include "Rule.h"
#include "SegmentedPicker.h"
#include "Spinner.h"
#include "StyledLabel.h"
#include "Surface.h"
#include "Symbols.h"
#include "SymbolView.h"
#include "VideoCard.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

StyledLabel* caption(const QString& text)
{
    return new StyledLabel(text, uiFont(10, QFont::Bold, 1), Tone::secondary);
}

// A symbol before a text, as one label.
QHBoxLayout* labelled(SymbolView* symbol, QWidget* text, int spacing = 5)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(spacing);
    row->addWidget(symbol, 0, Qt::AlignVCenter);
    row->addWidget(text, 0, Qt::AlignVCenter);
    return row;
}

// Fills `picker` with `items` (text, value) unless it already holds them, and
// shows `value`. A value not on the list (a saved height before any analysis)
// joins it as `missing`: an ordinary entry, there to be seen and chosen again.
void showChoices(
    QComboBox* picker, QList<std::pair<QString, QVariant>> items, const QVariant& value, const QString& missing)
{
    if (std::none_of(items.cbegin(), items.cend(), [&](const auto& item) { return item.second == value; }))
        items.append({ missing, value });
    bool same = picker->count() == items.size();
    for (int i = 0; same && i < picker->count(); ++i)
        same = picker->itemText(i) == items[i].first && picker->itemData(i) == items[i].second;
    if (!same) {
        picker->clear();
        for (const auto& [text, data] : items)
            picker->addItem(text, data);
    }
    picker->setCurrentIndex(picker->findData(value));
}

QString lastComponent(const QString& folder)
{
    const QString clean = QDir::cleanPath(folder);
    const QString name = QFileInfo(clean).fileName();
    return name.isEmpty() ? clean : name;
}

} // namespace

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

    column->addWidget(buildFormatCard());
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
        refreshFormat();
        refreshRunning();
        refreshEnabling();
    });
    connect(m_model, &AppModel::engineStateChanged, this, &NewDownloadView::refreshEnabling);
    connect(m_model, &AppModel::profileChanged, this, &NewDownloadView::refreshFormat);
    connect(m_model, &AppModel::preferencesChanged, this, &NewDownloadView::refreshFolder);
    connect(m_model, &AppModel::jobsChanged, this, &NewDownloadView::refreshRunning);

    refreshLink();
    refreshChooser();
    refreshVideo();
    refreshFormat();
    refreshFolder();
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
    top->addLayout(labelled(new SymbolView(u"sparkle"_s, 11, Tone::coral, 1.0, SymbolWeight::bold),
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

QWidget* NewDownloadView::buildFormatCard()
{
    auto* card = new Surface(20);
    card->setObjectName(u"formatCard"_s);

    auto* header = new QHBoxLayout;
    header->addWidget(new StyledLabel(u"¿Qué querés guardar?"_s, uiFont(16, QFont::DemiBold)));
    header->addStretch(1);
    QList<SegmentedPicker::Segment> kinds;
    for (const DownloadKind kind : allCases<DownloadKind>())
        kinds.append(
            { title(kind), rawValue(kind), kind == DownloadKind::audio ? u"waveform"_s : u"play.rectangle"_s });
    m_kind = new SegmentedPicker(kinds);
    m_kind->setObjectName(u"kindPicker"_s);
    m_kind->setAccessibleName(u"Tipo de descarga"_s);
    m_kind->setFixedWidth(210);
    connect(m_kind, &SegmentedPicker::picked, this, &NewDownloadView::chooseKind);
    header->addWidget(m_kind);
    card->column()->addLayout(header);

    m_format = new QComboBox;
    m_format->setObjectName(u"formatPicker"_s);
    PickerStyle::apply(m_format);
    connect(m_format, &QComboBox::activated, this, &NewDownloadView::chooseFormat);
    m_quality = new QComboBox;
    m_quality->setObjectName(u"qualityPicker"_s);
    PickerStyle::apply(m_quality);
    connect(m_quality, &QComboBox::activated, this, &NewDownloadView::chooseQuality);
    m_fixedQuality = new StyledLabel({}, uiFont(14));
    m_fixedQuality->setObjectName(u"fixedQuality"_s);
    m_fixedQuality->setContentsMargins(0, 8, 0, 8);
    m_qualityStack = new QStackedWidget;
    m_qualityStack->addWidget(m_quality);
    m_qualityStack->addWidget(m_fixedQuality);
    m_qualityStack->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(16);
    for (const auto& [title, control] : { std::pair<QString, QWidget*> { u"FORMATO"_s, m_format },
             std::pair<QString, QWidget*> { u"CALIDAD"_s, m_qualityStack } }) {
        auto* half = new QVBoxLayout;
        half->setSpacing(8);
        half->addWidget(caption(title));
        half->addWidget(control);
        half->addStretch(1);
        columns->addLayout(half, 1);
    }
    card->column()->addLayout(columns);
    card->column()->addWidget(new Rule(Qt::Horizontal, 0.1));

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(16);
    auto* notes = new QVBoxLayout;
    notes->setSpacing(4);
    m_folder = new StyledLabel({}, uiFont(12, QFont::Medium));
    m_folder->setObjectName(u"folderLine"_s);
    auto* folderRow = labelled(new SymbolView(u"folder"_s, 13, Tone::primary), m_folder);
    folderRow->addStretch(1);
    notes->addLayout(folderRow);
    m_hint = new StyledLabel({}, uiFont(11), Tone::secondary);
    m_hint->setObjectName(u"hint"_s);
    m_hint->setWordWrap(true);
    notes->addWidget(m_hint);
    bottom->addLayout(notes, 1);
    m_download = new QPushButton;
    m_download->setObjectName(u"download"_s);
    m_download->setIcon(symbolIcon(u"arrow.down.to.line"_s, Qt::black));
    AccentStyle::apply(m_download);
    connect(m_download, &QPushButton::clicked, m_model, &AppModel::enqueue);
    bottom->addWidget(m_download, 0, Qt::AlignVCenter);
    card->column()->addLayout(bottom);
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
    header->addLayout(labelled(new SymbolView(u"arrow.down.circle"_s, 11, Tone::secondary, 1.0, SymbolWeight::bold),
        new StyledLabel(u"DESCARGA EN CURSO"_s, uiFont(10, QFont::Bold, 0.8), Tone::secondary)));
    header->addStretch(1);
    auto* showQueue = new PlainButton(u"Ver cola"_s, uiFont(12), Tone::coral);
    showQueue->setObjectName(u"showQueue"_s);
    connect(showQueue, &QAbstractButton::clicked, this, [this] { m_model->setSection(Section::queue); });
    header->addWidget(showQueue);
    m_running->column()->addLayout(header);
    return m_running;
}

QString NewDownloadView::bitrateText(qint64 bitrate)
{
    return QString::number(bitrate) + u" kbps"_s + (bitrate == 192 ? u" · equilibrado"_s : QString());
}

QString NewDownloadView::heightText(qint64 height)
{
    if (height == 0)
        return u"Máxima disponible"_s;
    const QString suffix = height == 2160 ? u" · 4K"_s : height == 4320 ? u" · 8K"_s : QString();
    return u"Hasta "_s + QString::number(height) + u'p' + suffix;
}

QString NewDownloadView::fixedQualityText(AudioFormat format)
{
    switch (format) {
    case AudioFormat::original:
        return u"Audio original disponible"_s;
    case AudioFormat::wav:
        return u"PCM · 16 bits"_s;
    default:
        return u"Sin pérdida adicional"_s;
    }
}

QString NewDownloadView::hintText(const DownloadProfile& profile)
{
    if (profile.kind == DownloadKind::audio)
        return u"Un bitrate mayor no recupera detalle que el original no tenga."_s;
    if (profile.container == VideoContainer::mkv)
        return u"MKV conserva los códecs del origen. Usá VLC u otro reproductor compatible."_s;
    return u"MP4 usa H.264 y AAC para reproducirse en Mac."_s;
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

void NewDownloadView::refreshFormat()
{
    const DownloadProfile profile = m_model->profile();
    const bool audio = profile.kind == DownloadKind::audio;
    m_kind->setValue(rawValue(profile.kind));

    QList<std::pair<QString, QVariant>> formats;
    if (audio) {
        for (const AudioFormat format : allCases<AudioFormat>())
            formats.append({ title(format), rawValue(format) });
        showChoices(m_format, formats, rawValue(profile.audio), title(profile.audio));
    } else {
        for (const VideoContainer container : allCases<VideoContainer>())
            formats.append({ title(container), rawValue(container) });
        showChoices(m_format, formats, rawValue(profile.container), title(profile.container));
    }
    m_format->setAccessibleName(audio ? u"Formato de audio"_s : u"Formato de video"_s);

    QList<std::pair<QString, QVariant>> qualities;
    if (audio) {
        const QList<qint64> rates = ::qualities(profile.audio);
        for (const qint64 rate : rates)
            qualities.append({ bitrateText(rate), rate });
        if (rates.isEmpty()) {
            m_quality->clear();
            m_fixedQuality->setText(fixedQualityText(profile.audio));
        } else {
            showChoices(m_quality, qualities, profile.bitrate, bitrateText(profile.bitrate));
        }
        m_qualityStack->setCurrentWidget(rates.isEmpty() ? static_cast<QWidget*>(m_fixedQuality) : m_quality);
    } else {
        qualities.append({ heightText(0), qint64(0) });
        // Before an analysis only the best available can be offered.
        const QList<qint64> heights = m_model->info() ? m_model->videoQualities() : QList<qint64> {};
        for (const qint64 height : heights)
            qualities.append({ heightText(height), height });
        showChoices(m_quality, qualities, profile.height, heightText(profile.height));
        m_qualityStack->setCurrentWidget(m_quality);
    }
    m_quality->setAccessibleName(audio ? u"Calidad de audio"_s : u"Calidad de video"_s);
    m_qualityStack->setFixedHeight(m_qualityStack->currentWidget()->sizeHint().height());

    m_hint->setText(hintText(profile));
    m_download->setText(audio ? u"Descargar audio"_s : u"Descargar video"_s);
}

void NewDownloadView::refreshFolder()
{
    const QString folder = m_model->preferences().folder;
    m_folder->setText(lastComponent(folder));
    m_folder->setToolTip(folder);
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
    m_download->setEnabled(ready && m_model->info() && !m_model->analyzing());
}

void NewDownloadView::clearLink()
{
    m_model->cancelAnalysis();
    m_model->setLink(QString());
    m_model->clearInfo();
}

void NewDownloadView::chooseKind(const QString& raw)
{
    const std::optional<DownloadKind> kind = fromRawValue<DownloadKind>(raw);
    if (!kind)
        return;
    DownloadProfile profile = m_model->profile();
    profile.kind = *kind;
    m_model->setProfile(profile);
}

void NewDownloadView::chooseFormat(int index)
{
    const QString raw = m_format->itemData(index).toString();
    DownloadProfile profile = m_model->profile();
    if (profile.kind == DownloadKind::audio) {
        if (const std::optional<AudioFormat> format = fromRawValue<AudioFormat>(raw))
            profile.audio = *format;
    } else if (const std::optional<VideoContainer> container = fromRawValue<VideoContainer>(raw)) {
        profile.container = *container;
    }
    m_model->setProfile(profile);
}

void NewDownloadView::chooseQuality(int index)
{
    const QVariant value = m_quality->itemData(index);
    if (!value.isValid())
        return;
    DownloadProfile profile = m_model->profile();
    if (profile.kind == DownloadKind::audio)
        profile.bitrate = value.toLongLong();
    else
        profile.height = value.toLongLong();
    m_model->setProfile(profile);
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
