#include "Playback.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>

Playback::Playback(const QString& path, QObject* video, QObject* parent)
    : QObject(parent)
    , m_player(new QMediaPlayer(this))
    , m_audio(new QAudioOutput(this))
{
    m_player->setAudioOutput(m_audio);
    m_player->setVideoOutput(video);
    m_player->setSource(QUrl::fromLocalFile(path));
}

Playback::~Playback()
{
    // Silence at once, before the pipeline is torn down.
    m_player->stop();
}

bool Playback::isPlaying() const
{
    return m_player->playbackState() == QMediaPlayer::PlayingState;
}

void Playback::play()
{
    m_player->play();
}

void Playback::pause()
{
    m_player->pause();
}
