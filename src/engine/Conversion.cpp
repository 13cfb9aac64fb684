#include "Conversion.h"

#include "BrisError.h"
#include "Engine.h"
#include "FileSystem.h"
#include "ProgressPlan.h"
#include "ToolArguments.h"

#include <QFileInfo>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

void notify(const UpdateCallback& update, double progress, const QString& detail, bool reused)
{
    if (update)
        update(DownloadUpdate { JobState::converting, progress, detail, reused });
}

} // namespace

Conversion::Conversion(const Engine& engine, const Toolchain& tools)
    : m_engine(engine)
    , m_tools(tools)
{
}

std::optional<double> Conversion::progress(const QString& line, double duration)
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
        return ProgressPlan::conversionStart;
    return ProgressPlan::conversionStart + ProgressPlan::conversionSpan * std::min(fraction, 1.0);
}

void Conversion::Report::read(const QString& line)
{
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return;
    const QStringView key = QStringView(line).left(equals);
    const QStringView value = QStringView(line).mid(equals + 1).trimmed();
    bool ok = false;
    if (key == u"out_time_us") {
        const double microseconds = value.toDouble(&ok);
        m_block.duration = ok && std::isfinite(microseconds) ? microseconds / 1'000'000 : 0;
    } else if (key == u"total_size") {
        const qint64 bytes = value.toLongLong(&ok);
        m_block.bytes = ok ? bytes : 0;
    } else if (key == u"progress") {
        if (value == u"end" && m_block.duration > 0 && m_block.bytes > 0)
            m_written = m_block;
        m_block = {};
    }
}

std::optional<Conversion::Written> Conversion::audio(const QString& original, double duration, const DownloadJob& job,
    const QString& output, bool reused, const CancellationPtr& cancel, const UpdateCallback& update) const
{
    const QString detail = u"Preparando "_s + job.profile.label();
    Report report;
    m_tools.run(u"ffmpeg"_s, ToolArguments::conversion(original, job.profile, job.video, output), cancel, 7200,
        [&](const QString& line) {
            report.read(line);
            if (const std::optional<double> value = progress(line, duration))
                notify(update, *value, detail, reused);
        });
    return report.written();
}

void Conversion::mp4(
    const QString& input, const QString& output, const CancellationPtr& cancel, const UpdateCallback& update) const
{
    const MediaProbe source = m_engine.probe(input, cancel);
    if (!source.video || source.duration > 43200)
        throw BrisError::message(u"El video supera las 12 horas o no contiene imagen válida."_s);
    // ffmpeg runs with -n and never overwrites.
    FileSystem::removeFile(output);

    const bool copyVideo = source.codecs.contains(u"h264"_s);
    const bool copyAudio = source.codecs.contains(u"aac"_s);
    notify(update, ProgressPlan::assembling,
        copyVideo ? u"Preparando MP4 para Mac…"_s : u"Convirtiendo video a MP4 compatible con Mac…"_s, false);
    // Absolute, so that no name is ever read as an option.
    m_tools.run(u"ffmpeg"_s,
        ToolArguments::mp4(
            QFileInfo(input).absoluteFilePath(), QFileInfo(output).absoluteFilePath(), copyVideo, copyAudio),
        cancel, 43200);
}
