#pragma once

#include "DownloadJob.h"

#include <QMediaPlayer>

#include <QWidget>

class AppModel;
class Playback;
class PlainButton;
class QSlider;
class QVideoWidget;
class StyledLabel;

// The player sheet for one finished download: it plays while shown, pauses when
// hidden, and owns a fresh Playback, so every opening starts from the top. A
// job without a file gets the sheet without a player.
class LocalPlayer : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize surfaceSize { 740, 400 };

    LocalPlayer(AppModel* model, const DownloadJob& job, QWidget* parent = nullptr);
    ~LocalPlayer() override;

    const DownloadJob& job() const { return m_job; }
    // Null when the job has no file to play.
    Playback* playback() const { return m_playback; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* buildSurface();
    void togglePlaying();
    void refreshState(QMediaPlayer::PlaybackState state);
    void refreshPosition();

    AppModel* m_model;
    DownloadJob m_job;
    Playback* m_playback = nullptr;
    QVideoWidget* m_video = nullptr;
    PlainButton* m_playPause = nullptr;
    QSlider* m_seek = nullptr;
    StyledLabel* m_elapsed = nullptr;
    StyledLabel* m_total = nullptr;
};
