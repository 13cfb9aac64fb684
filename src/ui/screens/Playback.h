#pragma once

#include <QObject>
#include <QString>

class QAudioOutput;
class QMediaPlayer;

// The media player of one player sheet: opened on a local file without
// starting, never pointed at another file, released with the sheet.
class Playback : public QObject
{
    Q_OBJECT

public:
    // `video` (a QVideoWidget or sink, may be null) is attached before the file
    // is opened: with GStreamer, attaching it to an opened file can leave a later
    // player stalled before its first frame.
    Playback(const QString& path, QObject* video, QObject* parent = nullptr);
    ~Playback() override;

    QMediaPlayer* player() const { return m_player; }
    bool isPlaying() const;

    void play();
    void pause();

private:
    QMediaPlayer* m_player;
    QAudioOutput* m_audio;
};
