#pragma once

#include "DownloadKind.h"
#include "EnumText.h"

// Which finished downloads the library lists.
enum class LibraryKind { all, audio, video };

template <> struct EnumTable<LibraryKind>
{
    static constexpr EnumCase<LibraryKind> cases[] = {
        { LibraryKind::all, u"all", u"Todo" },
        { LibraryKind::audio, u"audio", u"Audio" },
        { LibraryKind::video, u"video", u"Video" },
    };
};

inline bool admits(LibraryKind filter, DownloadKind kind)
{
    return filter == LibraryKind::all || (filter == LibraryKind::audio) == (kind == DownloadKind::audio);
}
