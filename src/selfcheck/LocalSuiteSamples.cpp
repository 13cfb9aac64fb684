#include "LocalSuiteSamples.h"

#include "MediaLink.h"
#include "TestAudio.h"

#include <QJsonDocument>

using namespace Qt::Literals::StringLiterals;

namespace LocalSuiteSamples {

QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject instagramEntry(const QString& id, const QString& address, double duration, const QJsonArray& formats)
{
    return { { u"id"_s, id }, { u"title"_s, u"Clip "_s + id }, { u"extractor"_s, u"instagram"_s },
        { u"extractor_key"_s, u"Instagram"_s }, { u"webpage_url"_s, address }, { u"duration"_s, duration },
        { u"formats"_s, formats } };
}

QString canonical(const QString& link)
{
    return MediaLink::make(link)->url();
}

VideoInfo sampleVideo(MediaPlatform platform, const QString& id, const QString& link, const QString& title)
{
    return VideoInfo { id, title, u"Brisomar"_s, TestAudio::seconds, { VideoFormat { 360, 640, u"h264"_s, true, {} } },
        platform, canonical(link), std::nullopt };
}

} // namespace LocalSuiteSamples
