#pragma once

#include "EnumText.h"

#include <QtGlobal>

enum class AudioFormat { mp3, m4a, opus, flac, wav, original };

template <> struct EnumTable<AudioFormat>
{
    static constexpr EnumCase<AudioFormat> cases[] = {
        { AudioFormat::mp3, u"mp3", u"MP3 · universal" },
        { AudioFormat::m4a, u"m4a", u"M4A · AAC" },
        { AudioFormat::opus, u"opus", u"Opus · eficiente" },
        { AudioFormat::flac, u"flac", u"FLAC · sin pérdida adicional" },
        { AudioFormat::wav, u"wav", u"WAV · PCM 16 bits" },
        { AudioFormat::original, u"original", u"Original · sin convertir" },
    };
};

// The file extension of the result.
QString ext(AudioFormat format);
// The bit rates offered, in kbps; empty when the format has no bit-rate choice.
QList<qint64> qualities(AudioFormat format);
