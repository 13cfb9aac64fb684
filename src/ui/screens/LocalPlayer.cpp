#include "LocalPlayer.h"

#include "AppModel.h"
#include "ClampedLabel.h"
#include "PlainButton.h"
#include "Playback.h"
#include "QuietStyle.h"
#include "StyledLabel.h"
#include "SymbolView.h"
#include "TextFormatting.h"
#include "Theme.h"

#include <QHBoxLayout>
#include <QMediaPlayer>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <QVideoWidget>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qreal surfaceRadius = 12;
constexpr int padding = 24;
// The picture is a native window, which can only be cut without smoothing: kept
// this far from the stage's edges it stays clear of the rounded corners, which
// the stage then draws smooth (radius × (1 − 1/√2), rounded up).
constexpr int pictureInset = 4;

// A clock reading: the start of a file is 0:00, not an unknown duration.
QString clockText(qint64 milliseconds)
{
    return milliseconds > 0 ? timeString(milliseconds / 1000.0) : u"0:00"_s;
}

// The black, rounded stage under the picture and the transport controls.
class Stage : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(QRectF(rect()), surfaceRadius, surfaceRadius);
    }
};

} // namespace

LocalPlayer::LocalPlayer(AppModel* model, const DownloadJob& job, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_job(job)
{
    setObjectName(u"localPlayer"_s);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(16);

    auto* header = new QHBoxLayout;
    auto* titles = new QVBoxLayout;
    titles->setSpacing(4);
    auto* title = new ClampedLabel(job.video.title, uiFont(18, QFont::DemiBold), 2);
    title->setObjectName(u"playerTitle"_s);
    titles->addWidget(title);
    auto* label = new StyledLabel(job.profile.label(), uiFont(12), Tone::secondary);
    label->setObjectName(u"playerProfile"_s);
    titles->addWidget(label);
    header->addLayout(titles, 1);
    auto* close = new QPushButton(u"Cerrar"_s);
    close->setObjectName(u"closePlayer"_s);
    QuietStyle::apply(close);
    connect(close, &QPushButton::clicked, this, [this] { m_model->setPreviewJob(std::nullopt); });
    header->addWidget(close, 0, Qt::AlignTop);
    column->addLayout(header);
    column->addWidget(buildSurface());
    // The surface sets the width; a long title wraps within it, and the sheet
    // grows in height for its second line instead of eating into the padding.
    QSizePolicy titlePolicy = title->sizePolicy();
    titlePolicy.setHorizontalPolicy(QSizePolicy::Ignored);
    title->setSizePolicy(titlePolicy);
    const int width = surfaceSize.width() + 2 * padding;
    setFixedSize(width, column->heightForWidth(width));
}

LocalPlayer::~LocalPlayer()
{
    // Stopping reports a last state change; it must not reach a sheet half torn down.
    if (m_playback) {
        m_playback->player()->disconnect(this);
        delete std::exchange(m_playback, nullptr);
    }
}

QWidget* LocalPlayer::buildSurface()
{
    auto* stage = new Stage;
    stage->setObjectName(u"playerSurface"_s);
    stage->setFixedSize(surfaceSize);
    auto* column = new QVBoxLayout(stage);
    column->setContentsMargins(pictureInset, pictureInset, pictureInset, 0);
    column->setSpacing(0);
    if (!m_job.path || m_job.path->isEmpty()) {
        column->addWidget(new SymbolView(u"play.rectangle"_s, 40, Tone::white, 0.5), 0, Qt::AlignCenter);
        return stage;
    }

    m_video = new QVideoWidget;
    m_video->setObjectName(u"playerVideo"_s);
    column->addWidget(m_video, 1);
    m_playback = new Playback(*m_job.path, m_video, this);

    auto* bar = new QWidget;
    bar->setObjectName(u"transport"_s);
    auto* controls = new QHBoxLayout(bar);
    controls->setContentsMargins(14, 8, 14, 10);
    controls->setSpacing(10);
    m_playPause = new PlainButton({}, uiFont(14), Tone::white);
    m_playPause->setObjectName(u"playPause"_s);
    m_playPause->setLeading({ u"play.fill"_s, 16, std::nullopt });
    connect(m_playPause, &QAbstractButton::clicked, this, &LocalPlayer::togglePlaying);
    m_elapsed = new StyledLabel(clockText(0), uiFont(11, QFont::Medium), Tone::white, 0.8);
    m_elapsed->setObjectName(u"elapsed"_s);
    m_total = new StyledLabel(clockText(0), uiFont(11, QFont::Medium), Tone::white, 0.8);
    m_total->setObjectName(u"total"_s);
    m_seek = new QSlider(Qt::Horizontal);
    m_seek->setObjectName(u"seekBar"_s);
    m_seek->setAccessibleName(u"Posición"_s);
    connect(m_seek, &QSlider::valueChanged, this, [this](int value) { m_playback->player()->setPosition(value); });
    controls->addWidget(m_playPause);
    controls->addWidget(m_elapsed);
    controls->addWidget(m_seek, 1);
    controls->addWidget(m_total);
    column->addWidget(bar);

    QMediaPlayer* player = m_playback->player();
    connect(player, &QMediaPlayer::playbackStateChanged, this, &LocalPlayer::refreshState);
    connect(player, &QMediaPlayer::positionChanged, this, &LocalPlayer::refreshPosition);
    connect(player, &QMediaPlayer::durationChanged, this, &LocalPlayer::refreshPosition);
    return stage;
}

void LocalPlayer::togglePlaying()
{
    if (m_playback->isPlaying())
        m_playback->pause();
    else
        m_playback->play();
}

void LocalPlayer::refreshState(QMediaPlayer::PlaybackState state)
{
    m_playPause->setLeading(
        { state == QMediaPlayer::PlayingState ? u"pause.fill"_s : u"play.fill"_s, 16, std::nullopt });
}

void LocalPlayer::refreshPosition()
{
    const QMediaPlayer* player = m_playback->player();
    const qint64 duration = qMax<qint64>(0, player->duration());
    const qint64 position = qBound<qint64>(0, player->position(), duration);
    // The player's own progress is not a seek.
    const QSignalBlocker quiet(m_seek);
    m_seek->setRange(0, int(qMin<qint64>(duration, std::numeric_limits<int>::max())));
    if (!m_seek->isSliderDown())
        m_seek->setValue(int(position));
    m_elapsed->setText(clockText(position));
    m_total->setText(clockText(duration));
}

void LocalPlayer::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_playback)
        m_playback->play();
}

void LocalPlayer::hideEvent(QHideEvent* event)
{
    if (m_playback)
        m_playback->pause();
    QWidget::hideEvent(event);
}

void LocalPlayer::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), windowBackground(Theme::instance().scheme()));
}
