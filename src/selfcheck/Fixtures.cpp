#include "Fixtures.h"

#include <QFileInfo>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace Fixtures {

DownloadProfile audioProfile(AudioFormat format, qint64 bitrate, bool metadata)
{
    return { .kind = DownloadKind::audio, .audio = format, .bitrate = bitrate, .metadata = metadata };
}

DownloadProfile videoProfile(VideoContainer container, qint64 height, bool metadata)
{
    return { .kind = DownloadKind::video, .container = container, .height = height, .metadata = metadata };
}

QStringList offlineArguments(const QString& infoJson)
{
    return { u"--enable-file-urls"_s, u"--no-clean-info-json"_s, u"--load-info-json"_s, infoJson };
}

QJsonObject localFormat(
    const QString& formatId, const QString& media, const QString& vcodec, const QString& acodec, int width, int height)
{
    QJsonObject format { { u"format_id"_s, formatId },
        { u"url"_s, QUrl::fromLocalFile(media).toString(QUrl::FullyEncoded) }, { u"protocol"_s, u"file"_s },
        { u"ext"_s, QFileInfo(media).suffix() }, { u"vcodec"_s, vcodec }, { u"acodec"_s, acodec },
        { u"filesize"_s, QFileInfo(media).size() } };
    if (height > 0) {
        format.insert(u"width"_s, width);
        format.insert(u"height"_s, height);
    }
    return format;
}

QJsonObject videoInfo(
    const QString& id, const QString& extractor, const QString& title, double duration, const QJsonArray& formats)
{
    return { { u"id"_s, id }, { u"title"_s, title }, { u"uploader"_s, u"Brisomar"_s }, { u"duration"_s, duration },
        { u"extractor"_s, extractor }, { u"extractor_key"_s, extractor.left(1).toUpper() + extractor.mid(1) },
        { u"_type"_s, u"video"_s }, { u"formats"_s, formats } };
}

} // namespace Fixtures
