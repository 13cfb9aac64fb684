#pragma once

#include <QString>
#include <QTemporaryDir>

// Media made with the real ffmpeg, each file on first use and kept for the run.
// Twelve seconds each unless said otherwise:
//   "tone.m4a"      two tones (440 Hz left, 660 Hz right) in AAC, with a title tag of its own
//   "tone.webm"     the same in Opus
//   "h264.mp4"      320×240 H.264 picture, no sound ("h264-480.mp4": 640×480)
//   "vp9.webm"      320×240 VP9 picture, no sound
//   "h264-aac.mkv"  picture and the two tones
//   "odd.mkv"       VP9 of 321×241 with Opus
//   "long.mkv"      two H.264 frames that span 60,000 seconds
class TestMedia
{
public:
    // The file's path; fails the test (empty path) when ffmpeg cannot make it.
    QString path(const QString& name);

private:
    QTemporaryDir m_dir;
};
