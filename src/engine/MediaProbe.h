#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The measurement of a media file, taken before the engine trusts it.
struct MediaProbe
{
    // Seconds; always finite and greater than 0.
    double duration = 0;
    bool audio = false;
    bool video = false;
    // The smaller side of the first video stream; 0 without video.
    qint64 resolution = 0;
    // At least 1.
    qint64 bytes = 0;
    // The codec of every stream that names one, in stream order.
    QStringList codecs;

    // The ffprobe arguments whose JSON report `read` expects, before the file's path.
    static QStringList arguments();
    // Reads ffprobe's report on `file` and the file's size. Throws the JSON
    // parser's error (JsonError), or BrisError::message when the report has
    // no valid duration or the file is empty, or SystemError when the file
    // cannot be measured; in that order.
    static MediaProbe read(const QByteArray& report, const QString& file);
    // The same for a file of `bytes` bytes, without touching the file system.
    static MediaProbe fromReport(const QByteArray& report, qint64 bytes);

    friend bool operator==(const MediaProbe&, const MediaProbe&) = default;
};
