#include "AudioFormat.h"

using namespace Qt::Literals::StringLiterals;

QString title(AudioFormat format)
{
    switch (format) {
    case AudioFormat::mp3:
        return u"MP3 · universal"_s;
    case AudioFormat::m4a:
        return u"M4A · AAC"_s;
    case AudioFormat::opus:
        return u"Opus · eficiente"_s;
    case AudioFormat::flac:
        return u"FLAC · sin pérdida adicional"_s;
    case AudioFormat::wav:
        return u"WAV · PCM 16 bits"_s;
    case AudioFormat::original:
        return u"Original · sin convertir"_s;
    }
    Q_UNREACHABLE();
    return {};
}

QString rawValue(AudioFormat format)
{
    switch (format) {
    case AudioFormat::mp3:
        return u"mp3"_s;
    case AudioFormat::m4a:
        return u"m4a"_s;
    case AudioFormat::opus:
        return u"opus"_s;
    case AudioFormat::flac:
        return u"flac"_s;
    case AudioFormat::wav:
        return u"wav"_s;
    case AudioFormat::original:
        return u"original"_s;
    }
    Q_UNREACHABLE();
    return {};
}

template <> QList<AudioFormat> allCases<AudioFormat>()
{
    return { AudioFormat::mp3, AudioFormat::m4a, AudioFormat::opus, AudioFormat::flac, AudioFormat::wav,
        AudioFormat::original };
}

QString ext(AudioFormat format)
{
    return rawValue(format);
}

QList<qint64> qualities(AudioFormat format)
{
    switch (format) {
    case AudioFormat::mp3:
        return { 128, 192, 256, 320 };
    case AudioFormat::m4a:
        return { 128, 192, 256 };
    case AudioFormat::opus:
        return { 96, 128, 160, 192 };
    case AudioFormat::flac:
    case AudioFormat::wav:
    case AudioFormat::original:
        return {};
    }
    Q_UNREACHABLE();
    return {};
}
