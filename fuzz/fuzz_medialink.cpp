// Pasted text through the link normaliser and the YouTube id reader.
#include "FuzzCheck.h"

#include "MediaLink.h"

#include <QRegularExpression>

#include <cstddef>
#include <cstdint>

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    const std::optional<QString> id = youtubeID(text);
    static const QRegularExpression idPattern(QRegularExpression::anchoredPattern(u"[A-Za-z0-9_-]{11}"_s));
    if (id)
        fuzzCheck(idPattern.match(*id).hasMatch(), "a YouTube id has 11 safe characters", *id);

    const std::optional<MediaLink> link = MediaLink::make(text);
    if (!link)
        return 0;
    // The id reader bounds the text before trimming, the normaliser after: compare
    // with what the normaliser saw.
    const std::optional<QString> trimmedID = youtubeID(text.trimmed());
    const QString url = link->url();
    fuzzCheck(url.startsWith(u"https://"_s), "a canonical link is https", url);
    fuzzCheck(url.size() <= 4096, "a canonical link is bounded", url);
    for (const QChar c : url)
        fuzzCheck(c.unicode() > 0x20 && c.unicode() < 0x7f, "a canonical link is printable ASCII", url);
    // The stored form is what the program re-checks later (history, source check):
    // it must pass the normaliser again unchanged.
    fuzzCheck(MediaLink::make(url) == link, "a canonical link is its own canonical form", url);
    if (link->platform() == MediaPlatform::youtube) {
        fuzzCheck(trimmedID.has_value(), "a YouTube link comes from an id", text);
        fuzzCheck(url == youtubeWatchURL(*trimmedID), "a YouTube link is the watch address of its id", url);
    } else {
        fuzzCheck(!trimmedID, "a text with a YouTube id is a YouTube link", text);
    }
    return 0;
}
