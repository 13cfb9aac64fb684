// yt-dlp's standard output through the progress and file marker readers, line by
// line, with the job's share `to` picked by the first byte. Each line is also
// taken as a file path, written as yt-dlp writes "%(filepath)j" (JSON with ASCII
// escapes) and as plain UTF-8 JSON: the marker must give the path back.
#include "FuzzCheck.h"

#include "DownloadProgress.h"
#include "JsonWriter.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace Qt::Literals::StringLiterals;

namespace {

// Python's json.dumps with its default ensure_ascii.
QByteArray asciiJson(const QString& text)
{
    QByteArray json = "\"";
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            json += '\\';
            json += char(u);
        } else if (u >= 0x20 && u < 0x7f) {
            json += char(u);
        } else {
            json += "\\u" + QByteArray::number(u, 16).rightJustified(4, '0');
        }
    }
    return json + '"';
}

void checkLine(const QString& line, double to)
{
    int updates = 0;
    progress(line, to, [&](const DownloadUpdate& update) {
        ++updates;
        fuzzCheck(update.state == JobState::downloading && !update.reused, "progress reports a download");
        fuzzCheck(std::isfinite(update.progress) && update.progress >= 0 && update.progress <= to,
            "progress stays within the run's share", QString::number(update.progress));
        fuzzCheck(!update.detail.isEmpty(), "progress has a detail");
    });
    fuzzCheck(updates <= 1, "one line sends at most one update", line);

    LastPath path;
    path.set(u"before"_s);
    capturePath(line, path);
    if (!line.startsWith(u"BRISOMAR_FILE:"_s))
        fuzzCheck(path.value() == u"before"_s, "only a file marker changes the path", line);

    for (const QByteArray& encoded : { asciiJson(line), [&] {
                                          JsonWriter writer;
                                          writer.value(line);
                                          return writer.take();
                                      }() }) {
        LastPath reported;
        capturePath(u"BRISOMAR_FILE:"_s + QString::fromUtf8(encoded), reported);
        fuzzCheck(reported.value() == line, "a reported path comes back as written", QString::fromUtf8(encoded));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const double to = data[0] / 255.0;
    const QString output = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    for (const QString& line : output.split(u'\n'))
        checkLine(line, to);
    return 0;
}
