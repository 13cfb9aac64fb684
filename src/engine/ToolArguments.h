#pragma once

#include "DownloadProfile.h"
#include "VideoInfo.h"

#include <QString>
#include <QStringList>

// The command lines of yt-dlp and ffmpeg, as pure functions of their inputs.
// `common` is the Toolchain's opening of every run that reads a link.
namespace ToolArguments {

// What every yt-dlp run that reads metadata asks for, before its source.
QStringList metadata();
// The arguments of every yt-dlp run that downloads media: progress and file
// marker lines on standard output, no overwriting, a size limit.
QStringList download();
// yt-dlp arguments that take only this entry of a multi-video post.
QStringList selection(const VideoInfo& video);
// yt-dlp's format selection for the profile's container, without the height limit.
QString videoSelector(const DownloadProfile& profile);

// Fetching a video's original sound into `partialDirectory`.
QStringList fetch(const QStringList& common, const VideoInfo& video, const QString& partialDirectory);
// Downloading a video as MKV into `workDirectory`.
QStringList video(
    const QStringList& common, const VideoInfo& video, const DownloadProfile& profile, const QString& workDirectory);

// ffmpeg: converting the original sound for an audio profile.
QStringList conversion(
    const QString& original, const DownloadProfile& profile, const VideoInfo& video, const QString& output);
// ffmpeg: an MP4 of `input`, copying or re-encoding each stream.
QStringList mp4(const QString& input, const QString& output, bool copyVideo, bool copyAudio);

} // namespace ToolArguments
