#pragma once

#include "EnumText.h"

#include <QtGlobal>

enum class AudioFormat { mp3, m4a, opus, flac, wav, original };

QString title(AudioFormat format);
QString rawValue(AudioFormat format);
template <> QList<AudioFormat> allCases<AudioFormat>();

// The file extension of the result.
QString ext(AudioFormat format);
// The bit rates offered, in kbps; empty when the format has no bit-rate choice.
QList<qint64> qualities(AudioFormat format);
