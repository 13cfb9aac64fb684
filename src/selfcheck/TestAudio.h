#pragma once

#include <QByteArray>

// The known sound of the local suite: 12 seconds of two tones (220 Hz and about
// 329.63 Hz) as a mono, 24 kHz, 16-bit PCM WAV file, built in memory.
namespace TestAudio {

constexpr double seconds = 12;
// How far a converted copy's measured length may stray.
constexpr double tolerance = 0.2;

QByteArray wav();

} // namespace TestAudio
