// "library.json" as it may be found on disk: read, written and read again.
#include "FuzzCheck.h"

#include "DownloadJob.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray document(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QList<DownloadJob>> jobs = DownloadJob::decodeHistory(document);
    if (!jobs)
        return 0;
    for (const DownloadJob& job : *jobs) {
        (void)job.profile.key();
        (void)job.video.validSource();
        (void)job.video.thumbnail();
    }

    // Writing may normalise a value (a progress beyond 1, say), but a history the
    // program wrote must always read back, and reading and writing it again must
    // change nothing.
    const QByteArray written = DownloadJob::encodeHistory(*jobs);
    const std::optional<QList<DownloadJob>> reread = DownloadJob::decodeHistory(written);
    fuzzCheck(reread.has_value(), "a written history reads back", QString::fromUtf8(written.left(2000)));
    fuzzCheck(reread->size() == jobs->size(), "no job is lost on the way");
    fuzzCheck(DownloadJob::encodeHistory(*reread) == written, "a written history is stable",
        QString::fromUtf8(written.left(2000)));
    return 0;
}
