// "preferences.json" as it may be found on disk: read, written and read again.
#include "FuzzCheck.h"

#include "Preferences.h"
#include "TextFormatting.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray document(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<Preferences> preferences = Preferences::decode(document);
    if (!preferences)
        return 0;
    fuzzCheck(graphemeCount(preferences->lastLink) <= 4096, "the saved link is bounded");
    // What the program writes back must read as the same choices.
    fuzzCheck(Preferences::decode(preferences->encode()) == preferences, "preferences read back as written");
    return 0;
}
