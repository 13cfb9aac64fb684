#include "DownloadKind.h"

using namespace Qt::Literals::StringLiterals;

QString title(DownloadKind kind)
{
    return kind == DownloadKind::audio ? u"Audio"_s : u"Video"_s;
}

QString rawValue(DownloadKind kind)
{
    return kind == DownloadKind::audio ? u"audio"_s : u"video"_s;
}

template <> QList<DownloadKind> allCases<DownloadKind>()
{
    return { DownloadKind::audio, DownloadKind::video };
}
