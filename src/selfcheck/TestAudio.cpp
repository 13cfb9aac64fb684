#include "TestAudio.h"

#include <QtEndian>

#include <cmath>

namespace TestAudio {

namespace {

constexpr quint32 sampleRate = 24000;
constexpr quint32 sampleCount = 288000;
constexpr quint32 dataBytes = sampleCount * 2;

void append32(QByteArray& data, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    data.append(bytes, 4);
}

void append16(QByteArray& data, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    data.append(bytes, 2);
}

} // namespace

QByteArray wav()
{
    QByteArray data;
    data.reserve(44 + qsizetype(dataBytes));
    data.append("RIFF", 4);
    append32(data, 36 + dataBytes);
    data.append("WAVEfmt ", 8);
    append32(data, 16);
    append16(data, 1); // PCM
    append16(data, 1); // channels
    append32(data, sampleRate);
    append32(data, sampleRate * 2); // bytes per second
    append16(data, 2); // block size
    append16(data, 16); // bits per sample
    data.append("data", 4);
    append32(data, dataBytes);
    for (quint32 n = 0; n < sampleCount; ++n) {
        const double t = double(n) / sampleRate;
        const double value = (std::sin(1382.300767579509 * t) + 0.7 * std::sin(2071.1075232496855 * t)) * 0.2 * 32767;
        append16(data, quint16(qint16(std::trunc(value))));
    }
    return data;
}

} // namespace TestAudio
