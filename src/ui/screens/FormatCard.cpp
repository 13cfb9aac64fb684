#include "FormatCard.h"

#include "AccentStyle.h"
#include "AppModel.h"
#include "Divider.h"
#include "PickerStyle.h"
#include "SegmentedPicker.h"
#include "StyledLabel.h"
#include "Symbols.h"
#include "SymbolView.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
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

FormatCard::FormatCard(AppModel* model, QWidget* parent)
    : Surface(20, parent)
    , m_model(model)
{
    setObjectName(u"formatCard"_s);

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
    connect(m_kind, &SegmentedPicker::picked, this, &FormatCard::chooseKind);
    header->addWidget(m_kind);
    column()->addLayout(header);

    m_format = new QComboBox;
    m_format->setObjectName(u"formatPicker"_s);
    PickerStyle::apply(m_format);
    connect(m_format, &QComboBox::activated, this, &FormatCard::chooseFormat);
    m_quality = new QComboBox;
    m_quality->setObjectName(u"qualityPicker"_s);
    PickerStyle::apply(m_quality);
    connect(m_quality, &QComboBox::activated, this, &FormatCard::chooseQuality);
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
    column()->addLayout(columns);
    column()->addWidget(new Divider(Qt::Horizontal, 0.1));

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(16);
    auto* notes = new QVBoxLayout;
    notes->setSpacing(4);
    m_folder = new StyledLabel({}, uiFont(12, QFont::Medium));
    m_folder->setObjectName(u"folderLine"_s);
    auto* folderRow = symbolBefore(new SymbolView(u"folder"_s, 13, Tone::primary), m_folder);
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
    column()->addLayout(bottom);
}

QString FormatCard::bitrateText(qint64 bitrate)
{
    return QString::number(bitrate) + u" kbps"_s + (bitrate == 192 ? u" · equilibrado"_s : QString());
}

QString FormatCard::heightText(qint64 height)
{
    if (height == 0)
        return u"Máxima disponible"_s;
    const QString suffix = height == 2160 ? u" · 4K"_s : height == 4320 ? u" · 8K"_s : QString();
    return u"Hasta "_s + QString::number(height) + u'p' + suffix;
}

QString FormatCard::fixedQualityText(AudioFormat format)
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

QString FormatCard::hintText(const DownloadProfile& profile)
{
    if (profile.kind == DownloadKind::audio)
        return u"Un bitrate mayor no recupera detalle que el original no tenga."_s;
    if (profile.container == VideoContainer::mkv)
        return u"MKV conserva los códecs del origen. Usá VLC u otro reproductor compatible."_s;
    return u"MP4 usa H.264 y AAC para reproducirse en Mac."_s;
}

void FormatCard::refreshProfile()
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

void FormatCard::refreshFolder()
{
    const QString folder = m_model->preferences().folder;
    m_folder->setText(lastComponent(folder));
    m_folder->setToolTip(folder);
}

void FormatCard::chooseKind(const QString& raw)
{
    const std::optional<DownloadKind> kind = fromRawValue<DownloadKind>(raw);
    if (!kind)
        return;
    DownloadProfile profile = m_model->profile();
    profile.kind = *kind;
    m_model->setProfile(profile);
}

void FormatCard::chooseFormat(int index)
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

void FormatCard::chooseQuality(int index)
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
