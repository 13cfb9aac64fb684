#include "CandidateRow.h"

#include "ClampedLabel.h"
#include "StyledLabel.h"
#include "SymbolView.h"
#include "TextFormatting.h"
#include "Theme.h"

#include <QHBoxLayout>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int padding = 10;
constexpr qreal radius = 8;
} // namespace

CandidateRow::CandidateRow(int position, const VideoInfo& video, bool chosen, QWidget* parent)
    : QAbstractButton(parent)
    , m_video(video)
    , m_chosen(chosen)
    , m_mark(new SymbolView({}, 17, Tone::coral))
    , m_caption(new ClampedLabel(QString::number(position) + u". "_s + video.title, uiFont(13), 2))
    , m_duration(new StyledLabel(timeString(video.duration), uiFont(12), Tone::secondary))
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setText(m_caption->text());
    m_caption->setObjectName(u"candidateCaption"_s);
    m_duration->setObjectName(u"candidateDuration"_s);
    m_mark->setObjectName(u"candidateMark"_s);
    for (QWidget* part :
        { static_cast<QWidget*>(m_mark), static_cast<QWidget*>(m_caption), static_cast<QWidget*>(m_duration) })
        part->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(padding, padding, padding, padding);
    row->setSpacing(10);
    row->addWidget(m_mark, 0, Qt::AlignVCenter);
    row->addWidget(m_caption, 1, Qt::AlignVCenter);
    row->addWidget(m_duration, 0, Qt::AlignVCenter);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setChosen(chosen);
}

void CandidateRow::setChosen(bool chosen)
{
    m_chosen = chosen;
    m_mark->setSymbol(markSymbol());
}

QString CandidateRow::markSymbol() const
{
    return m_chosen ? u"checkmark.circle.fill"_s : u"circle"_s;
}

QString CandidateRow::caption() const
{
    return m_caption->text();
}

QSize CandidateRow::sizeHint() const
{
    return layout()->sizeHint();
}

QSize CandidateRow::minimumSizeHint() const
{
    return layout()->minimumSize();
}

int CandidateRow::heightForWidth(int width) const
{
    return layout()->totalHeightForWidth(width);
}

void CandidateRow::paintEvent(QPaintEvent*)
{
    const Theme& theme = Theme::instance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(hasFocus() ? QPen(coral(), 1.5) : Qt::NoPen);
    painter.setBrush(theme.color(Tone::primary, isDown() ? 0.08 : 0.035));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}
