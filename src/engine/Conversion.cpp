#include "Downloader.h"

#include "BrisError.h"
#include "FileSystem.h"

#include <QFileInfo>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

QStringList Downloader::conversionArguments(
    const QString& original, const DownloadProfile& profile, const VideoInfo& video, const QString& output)
{
    QStringList args { u"-hide_banner"_s, u"-loglevel"_s, u"error"_s, u"-nostdin"_s, u"-protocol_whitelist"_s,
        u"file,pipe"_s, u"-i"_s, original, u"-map"_s, u"0:a:0"_s, u"-vn"_s };
    const QString rate = QString::number(profile.bitrate) + u'k';
    switch (profile.audio) {
    case AudioFormat::mp3:
        args << u"-c:a"_s << u"libmp3lame"_s << u"-b:a"_s << rate << u"-id3v2_version"_s << u"3"_s;
        break;
    case AudioFormat::m4a:
        args << u"-c:a"_s << u"aac"_s << u"-b:a"_s << rate << u"-movflags"_s << u"+faststart"_s;
        break;
    case AudioFormat::opus:
        args << u"-c:a"_s << u"libopus"_s << u"-b:a"_s << rate;
        break;
    case AudioFormat::flac:
        args << u"-c:a"_s << u"flac"_s;
        break;
    case AudioFormat::wav:
        args << u"-c:a"_s << u"pcm_s16le"_s;
        break;
    case AudioFormat::original:
        args << u"-c:a"_s << u"copy"_s;
        break;
    }
    // The source's own tags never come along, only the ones we write.
    args << u"-map_metadata"_s << u"-1"_s;
    if (profile.metadata)
        args << u"-metadata"_s << u"title="_s + video.title << u"-metadata"_s << u"artist="_s + video.author
             << u"-metadata"_s << u"comment="_s + video.url();
    args << u"-progress"_s << u"pipe:1"_s << u"-nostats"_s << u"-n"_s << output;
    return args;
}

std::optional<double> Downloader::conversionProgress(const QString& line, double duration)
{
    static const QString marker = u"out_time_us="_s;
    if (!line.startsWith(marker))
        return std::nullopt;
    bool ok = false;
    const double microseconds = QStringView(line).mid(marker.size()).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(microseconds))
        return std::nullopt;
    const double fraction = microseconds / (duration * 1'000'000);
    if (!(fraction >= 0))
        return 0.72;
    return 0.72 + 0.26 * std::min(fraction, 1.0);
}

void Downloader::convert(const QString& original, double duration, const DownloadJob& job, const QString& output,
    bool reused, const CancellationPtr& cancel, const UpdateCallback& update) const
{
    const QString detail = u"Preparando "_s + job.profile.label();
    m_tools.run(u"ffmpeg"_s, conversionArguments(original, job.profile, job.video, output), cancel, 7200,
        [&](const QString& line) {
            if (const std::optional<double> value = conversionProgress(line, duration))
                notify(update, JobState::converting, *value, detail, reused);
        });
}

QStringList Downloader::mp4Arguments(const QString& input, const QString& output, bool copyVideo, bool copyAudio)
{
    QStringList args { u"-v"_s, u"error"_s, u"-nostdin"_s, u"-protocol_whitelist"_s, u"file,pipe"_s, u"-i"_s, input,
        u"-map"_s, u"0:v:0"_s, u"-map"_s, u"0:a:0?"_s, u"-c:v"_s };
    if (copyVideo)
        args << u"copy"_s;
    else
        args << u"libx264"_s << u"-preset"_s << u"veryfast"_s << u"-crf"_s << u"18"_s << u"-pix_fmt"_s << u"yuv420p"_s
             << u"-vf"_s << u"scale=trunc(iw/2)*2:trunc(ih/2)*2"_s;
    args << u"-c:a"_s << (copyAudio ? u"copy"_s : u"aac"_s) << u"-movflags"_s << u"+faststart"_s << u"-n"_s << output;
    return args;
}

void Downloader::prepareMP4(
    const QString& input, const QString& output, const CancellationPtr& token, const UpdateCallback& update) const
{
    const CancellationPtr cancel = orNew(token);
    const MediaProbe source = probe(input, cancel);
    if (!source.video || source.duration > 43200)
        throw BrisError::message(u"El video supera las 12 horas o no contiene imagen válida."_s);
    // ffmpeg runs with -n and never overwrites.
    FileSystem::removeFile(output);

    const bool copyVideo = source.codecs.contains(u"h264"_s);
    const bool copyAudio = source.codecs.contains(u"aac"_s);
    notify(update, JobState::converting, 0.94,
        copyVideo ? u"Preparando MP4 para Mac…"_s : u"Convirtiendo video a MP4 compatible con Mac…"_s, false);
    // Absolute, so that no name is ever read as an option.
    m_tools.run(u"ffmpeg"_s,
        mp4Arguments(QFileInfo(input).absoluteFilePath(), QFileInfo(output).absoluteFilePath(), copyVideo, copyAudio),
        cancel, 43200);
}
