#include "AudioFormat.h"

using namespace Qt::Literals::StringLiterals;

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
