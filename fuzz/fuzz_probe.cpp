// ffprobe's JSON report through the probe reader, for a file size the first byte
// picks (from -1 up).
#include "FuzzCheck.h"

#include "BrisError.h"
#include "MediaProbe.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const qint64 bytes = qint64(data[0]) - 1;
    const QByteArray report(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    MediaProbe probe;
    try {
        probe = MediaProbe::fromReport(report, bytes);
    } catch (const JsonError&) {
        return 0;
    } catch (const BrisError& error) {
        fuzzCheck(error.kind() == BrisError::Kind::Message
                && (error.payload() == u"El archivo no contiene una duración válida."_s
                    || (bytes < 1 && error.payload() == u"El archivo descargado está vacío."_s)),
            "the probe refuses with one of its two sentences", error.payload());
        return 0;
    }
    fuzzCheck(std::isfinite(probe.duration) && probe.duration > 0, "a measured duration is finite and positive");
    fuzzCheck(probe.bytes == bytes && bytes >= 1, "a measured file is not empty");
    fuzzCheck(probe.resolution >= 0 && (probe.video || probe.resolution == 0), "a resolution belongs to a video");
    return 0;
}
