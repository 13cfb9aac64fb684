#include "VideoCard.h"

#include "ClampedLabel.h"
#include "QuietStyle.h"
#include "StyledLabel.h"
#include "Symbols.h"
#include "SymbolView.h"
#include "TextFormatting.h"
#include "ThumbnailView.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

VideoCard::VideoCard(const VideoInfo& info, QWidget* parent)
    : Surface(0, parent)
    , m_thumbnail(new ThumbnailView)
    , m_title(new ClampedLabel({}, uiFont(17, QFont::DemiBold), 2))
    , m_source(new StyledLabel({}, uiFont(13), Tone::secondary))
    , m_duration(new StyledLabel({}, uiFont(11, QFont::Medium), Tone::secondary))
    , m_height(new StyledLabel({}, uiFont(11, QFont::Medium), Tone::secondary))
    , m_open(new QPushButton)
{
    setObjectName(u"videoCard"_s);
    m_thumbnail->setObjectName(u"thumbnail"_s);
    m_title->setObjectName(u"videoTitle"_s);
    m_source->setObjectName(u"videoSource"_s);
    m_duration->setObjectName(u"videoDuration"_s);
    m_height->setObjectName(u"videoHeight"_s);
    m_open->setObjectName(u"openPage"_s);
    m_open->setIcon(symbolIcon(u"arrow.up.right"_s, Qt::black));
    QuietStyle::apply(m_open);
    connect(m_open, &QPushButton::clicked, this, &VideoCard::openPage);

    auto* row = new QHBoxLayout;
    row->setSpacing(18);
    row->addWidget(m_thumbnail, 0, Qt::AlignVCenter);

    auto* text = new QVBoxLayout;
    text->setSpacing(7);
    text->addWidget(m_title);
    text->addWidget(m_source);
    auto* facts = new QHBoxLayout;
    facts->setSpacing(10);
    auto* clock = new QHBoxLayout;
    clock->setSpacing(4);
    clock->addWidget(new SymbolView(u"clock"_s, 12, Tone::secondary));
    clock->addWidget(m_duration);
    facts->addLayout(clock);
    facts->addWidget(m_height);
    facts->addStretch(1);
    text->addLayout(facts);
    row->addLayout(text, 1);
    row->addWidget(m_open, 0, Qt::AlignVCenter);
    column()->addLayout(row);

    setInfo(info);
}

QString VideoCard::heightText(const VideoInfo& info)
{
    const QList<qint64> heights = info.heights(VideoContainer::mp4);
    if (heights.isEmpty())
        return {};
    return u"Hasta %1p"_s.arg(*std::max_element(heights.cbegin(), heights.cend()));
}

void VideoCard::setInfo(const VideoInfo& info)
{
    m_info = info;
    m_title->setText(info.title);
    m_source->setText(title(info.platform()) + u" · "_s + info.author);
    m_duration->setText(timeString(info.duration));
    const QString height = heightText(info);
    m_height->setText(height);
    m_height->setVisible(!height.isEmpty());
    m_open->setToolTip(u"Ver en "_s + title(info.platform()));
    m_open->setAccessibleName(m_open->toolTip());
    m_thumbnail->setAddress(info.thumbnail());
}

void VideoCard::openPage() const
{
    const QUrl page(m_info.url(), QUrl::StrictMode);
    if (page.isValid() && !page.scheme().isEmpty() && !page.host().isEmpty())
        QDesktopServices::openUrl(page);
}
