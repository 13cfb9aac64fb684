#include "VideoContainer.h"

using namespace Qt::Literals::StringLiterals;

QString title(VideoContainer container)
{
    return container == VideoContainer::mp4 ? u"MP4 · compatible con Mac"_s : u"MKV · máxima calidad disponible"_s;
}

QString rawValue(VideoContainer container)
{
    return container == VideoContainer::mp4 ? u"mp4"_s : u"mkv"_s;
}

template <> QList<VideoContainer> allCases<VideoContainer>()
{
    return { VideoContainer::mp4, VideoContainer::mkv };
}
