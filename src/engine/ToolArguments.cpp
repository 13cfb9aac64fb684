#include "ToolArguments.h"

#include "FileSystem.h"

using namespace Qt::Literals::StringLiterals;

namespace ToolArguments {

QStringList metadata()
{
    return { u"--skip-download"_s, u"--dump-single-json"_s, u"--playlist-end"_s, u"21"_s };
}

QStringList download()
{
    return { u"--newline"_s, u"--progress"_s, u"--progress-delta"_s, u"0.25"_s, u"--progress-template"_s,
        u"download:BRISOMAR_PROGRESS:%(progress._percent_str)s|%(progress._speed_str)s|%(progress._eta_str)s"_s,
        // "--print" would imply "--quiet", which hides the "[Merger]" lines that announce the merge.
        u"--no-simulate"_s, u"--no-quiet"_s, u"--print"_s, u"after_move:BRISOMAR_FILE:%(filepath)j"_s, u"--no-mtime"_s,
        u"--continue"_s, u"--no-overwrites"_s, u"--max-filesize"_s, u"32G"_s };
}

QStringList selection(const VideoInfo& video)
{
    return { u"--match-filter"_s, u"id = "_s + video.id };
}

QString videoSelector(const DownloadProfile& profile)
{
    if (profile.container == VideoContainer::mkv)
        return u"bestvideo+bestaudio/best/bestvideo"_s;
    return u"bestvideo[ext=mp4][vcodec~='^(avc1|h264)']+bestaudio/best[ext=mp4][vcodec~='^(avc1|h264)']"
           u"/bestvideo+bestaudio/best/bestvideo"_s;
}

QStringList fetch(const QStringList& common, const VideoInfo& video, const QString& partialDirectory)
{
    return common + download() + selection(video)
        + QStringList { u"--format"_s, u"bestaudio[ext=m4a]/bestaudio/best[acodec!=none]"_s, u"--extract-audio"_s,
              u"--audio-format"_s, u"best"_s, u"--fixup"_s, u"never"_s, u"--output"_s,
              FileSystem::templateLiteral(partialDirectory) + u"/source.%(ext)s"_s, video.url() };
}

QStringList video(
    const QStringList& common, const VideoInfo& video, const DownloadProfile& profile, const QString& workDirectory)
{
    QStringList args = common + download() + selection(video);
    args << u"--format"_s << videoSelector(profile) << u"--merge-output-format"_s << u"mkv"_s << u"--remux-video"_s
         << u"mkv"_s << u"--output"_s << FileSystem::templateLiteral(workDirectory) + u"/source.%(ext)s"_s;
    if (profile.height >= 1)
        args << u"--format-sort"_s << u"res:"_s + QString::number(profile.height);
    if (profile.metadata)
        args << u"--embed-metadata"_s;
    args << video.url();
    return args;
}

QStringList conversion(
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

QStringList mp4(const QString& input, const QString& output, bool copyVideo, bool copyAudio)
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

} // namespace ToolArguments
