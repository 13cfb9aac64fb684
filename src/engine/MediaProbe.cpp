#include "MediaProbe.h"

#include "BrisError.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// The text form of the duration: ffprobe writes it as a string, a number reads the same.
std::optional<double> durationOf(const QJsonValue& value)
{
    QString text;
    if (value.isString())
        text = value.toString();
    else if (value.isDouble())
        text = QString::number(value.toDouble(), 'g', 17);
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0)
        return std::nullopt;
    return seconds;
}

// A whole, non-negative number, or 0.
qint64 dimension(const QJsonValue& value)
{
    const double number = value.toDouble(-1);
    if (number < 0 || number > 1e9 || std::trunc(number) != number)
        return 0;
    return qint64(number);
}

// "streams" counts only as a list of objects; any other shape is no streams at all.
QList<QJsonObject> streamsOf(const QJsonObject& root)
{
    QList<QJsonObject> streams;
    const QJsonValue value = root.value(u"streams"_s);
    if (!value.isArray())
        return streams;
    for (const QJsonValue& item : value.toArray()) {
        if (!item.isObject())
            return {};
        streams.append(item.toObject());
    }
    return streams;
}

} // namespace

QStringList MediaProbe::arguments()
{
    return { u"-v"_s, u"error"_s, u"-show_entries"_s,
        u"format=duration,size:stream=codec_type,codec_name,width,height"_s, u"-of"_s, u"json"_s };
}

MediaProbe MediaProbe::read(const QByteArray& report, const QString& file)
{
    struct stat info;
    const int failure = ::stat(QFile::encodeName(file).constData(), &info) == 0 ? 0 : errno;
    // The report's own faults are told first; a file that cannot be measured
    // comes after them, so its size is not judged here.
    const MediaProbe probe = fromReport(report, failure ? 1 : info.st_size);
    if (failure)
        throw SystemError(
            u"No se pudo leer el archivo "_s + file + u": "_s + QString::fromLocal8Bit(std::strerror(failure)) + u'.');
    return probe;
}

MediaProbe MediaProbe::fromReport(const QByteArray& report, qint64 bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(report, &error);
    if (error.error != QJsonParseError::NoError)
        throw JsonError(error.errorString());

    const QJsonObject root = document.object();
    const QJsonValue format = root.value(u"format"_s);
    const std::optional<double> duration
        = document.isObject() && format.isObject() ? durationOf(format.toObject().value(u"duration"_s)) : std::nullopt;
    if (!duration)
        throw BrisError::message(u"El archivo no contiene una duración válida."_s);

    MediaProbe probe;
    probe.duration = *duration;
    for (const QJsonObject& stream : streamsOf(root)) {
        const QJsonValue type = stream.value(u"codec_type"_s);
        if (type == u"video"_s && !probe.video) {
            probe.video = true;
            probe.resolution = std::min(dimension(stream.value(u"width"_s)), dimension(stream.value(u"height"_s)));
        }
        if (type == u"audio"_s)
            probe.audio = true;
        const QJsonValue codec = stream.value(u"codec_name"_s);
        if (codec.isString())
            probe.codecs.append(codec.toString());
    }

    if (bytes < 1)
        throw BrisError::message(u"El archivo descargado está vacío."_s);
    probe.bytes = bytes;
    return probe;
}
