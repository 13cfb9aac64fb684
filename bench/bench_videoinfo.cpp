// parseAll on a 10 MB metadata document shaped like yt-dlp's, next to Qt's JSON
// parser alone on the same bytes.
#include "MediaLink.h"
#include "VideoInfo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype documentSize = 10'000'000;

QString signedAddress(int n, int length)
{
    QString address
        = u"https://rr%1---sn-abcdefg.googlevideo.com/videoplayback?expire=1700000000&itag=%1&sig="_s.arg(n);
    while (address.size() < length)
        address += QString::number(qHash(address.size() + n), 36);
    return address.left(length);
}

QJsonObject format(int n)
{
    const int heights[] = { 144, 240, 360, 480, 720, 1080, 1440, 2160 };
    const int height = heights[n % 8];
    const bool audioOnly = n % 5 == 0;
    return {
        { u"format_id"_s, QString::number(100 + n) },
        { u"format_note"_s, u"%1p"_s.arg(height) },
        { u"ext"_s, n % 2 ? u"mp4"_s : u"webm"_s },
        { u"protocol"_s, u"https"_s },
        { u"url"_s, signedAddress(n, 900) },
        { u"width"_s, audioOnly ? QJsonValue() : QJsonValue(height * 16 / 9) },
        { u"height"_s, audioOnly ? QJsonValue() : QJsonValue(height) },
        { u"fps"_s, 30 },
        { u"vcodec"_s, audioOnly ? u"none"_s : (n % 2 ? u"avc1.640028"_s : u"vp09.00.40.08"_s) },
        { u"acodec"_s, audioOnly || n % 3 == 0 ? u"mp4a.40.2"_s : u"none"_s },
        { u"tbr"_s, 1234.567 + n },
        { u"filesize"_s, n % 4 ? QJsonValue(qint64(n) * 1'000'003) : QJsonValue() },
        { u"filesize_approx"_s, qint64(n) * 999'983 },
        { u"quality"_s, n % 10 },
        { u"dynamic_range"_s, u"SDR"_s },
        { u"http_headers"_s,
            QJsonObject { { u"User-Agent"_s, u"Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36"_s },
                { u"Accept"_s, u"text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"_s },
                { u"Accept-Language"_s, u"en-us,en;q=0.5"_s }, { u"Sec-Fetch-Mode"_s, u"navigate"_s } } },
        { u"downloader_options"_s, QJsonObject { { u"http_chunk_size"_s, 10485760 } } },
    };
}

QJsonObject videoRoot(const QJsonArray& formats, const QJsonObject& captions)
{
    return {
        { u"id"_s, u"dQw4w9WgXcQ"_s },
        { u"title"_s, u"Un video de prueba"_s },
        { u"uploader"_s, u"Un canal"_s },
        { u"channel"_s, u"Un canal"_s },
        { u"duration"_s, 212 },
        { u"live_status"_s, u"not_live"_s },
        { u"extractor"_s, u"youtube"_s },
        { u"extractor_key"_s, u"Youtube"_s },
        { u"thumbnail"_s, u"https://i.ytimg.com/vi/dQw4w9WgXcQ/maxresdefault.jpg"_s },
        { u"description"_s, QString(5000, u'd') },
        { u"formats"_s, formats },
        { u"automatic_captions"_s, captions },
    };
}

qsizetype compactSize(const QJsonObject& root)
{
    return QJsonDocument(root).toJson(QJsonDocument::Compact).size();
}

// One video with thousands of renditions (half the bytes) and captions in many
// languages (the other half): every rendition is work for parseAll.
QByteArray metadataDocument()
{
    QJsonArray formats;
    QJsonObject captions;
    for (int n = 0; compactSize(videoRoot(formats, captions)) < documentSize / 2; n += 100) {
        for (int i = n; i < n + 100; ++i)
            formats.append(format(i));
    }
    for (int language = 0; compactSize(videoRoot(formats, captions)) < documentSize; language += 20) {
        for (int l = language; l < language + 20; ++l) {
            QJsonArray tracks;
            for (const QString& ext : { u"json3"_s, u"srv1"_s, u"srv2"_s, u"srv3"_s, u"ttml"_s, u"vtt"_s, u"m3u8"_s })
                tracks.append(QJsonObject {
                    { u"ext"_s, ext }, { u"url"_s, signedAddress(l, 640) }, { u"name"_s, u"Idioma %1"_s.arg(l) } });
            captions.insert(u"l%1"_s.arg(l), tracks);
        }
    }
    return QJsonDocument(videoRoot(formats, captions)).toJson(QJsonDocument::Compact);
}

const QByteArray& document()
{
    static const QByteArray bytes = metadataDocument();
    return bytes;
}

void parseJsonOnly(benchmark::State& state)
{
    const QByteArray& bytes = document();
    for (auto _ : state)
        benchmark::DoNotOptimize(QJsonDocument::fromJson(bytes).isObject());
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["document_MB"] = double(bytes.size()) / 1e6;
}

void parseAllMetadata(benchmark::State& state)
{
    const QByteArray& bytes = document();
    const MediaLink link = *MediaLink::make(u"https://www.youtube.com/watch?v=dQw4w9WgXcQ"_s);
    qsizetype renditions = 0;
    for (auto _ : state) {
        const QList<VideoInfo> videos = VideoInfo::parseAll(bytes, link);
        renditions = videos.first().formats.size();
        benchmark::DoNotOptimize(renditions);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["renditions"] = double(renditions);
}

} // namespace

BENCHMARK(parseJsonOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(parseAllMetadata)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
