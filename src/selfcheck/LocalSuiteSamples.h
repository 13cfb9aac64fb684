#pragma once

#include "MediaPlatform.h"
#include "VideoInfo.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// The made-up posts and videos the local suite feeds to the parser, the
// engine and the model: yt-dlp metadata as the tools would print it.
namespace LocalSuiteSamples {

QByteArray json(const QJsonObject& object);
QJsonObject instagramEntry(const QString& id, const QString& address, double duration, const QJsonArray& formats);
// `link` as the program keeps it.
QString canonical(const QString& link);
// A 360p video as long as the test sound.
VideoInfo sampleVideo(MediaPlatform platform, const QString& id, const QString& link, const QString& title);

} // namespace LocalSuiteSamples
