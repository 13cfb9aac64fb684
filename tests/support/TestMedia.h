#pragma once

#include "TestSupport.h"

#include <QFileInfo>
#include <QMap>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

// Media made with the real ffmpeg, each file on first use and kept for the run.
// Twelve seconds each unless said otherwise:
//   "tone.m4a"      two tones (440 Hz left, 660 Hz right) in AAC, with a title tag of its own
//   "tone.webm"     the same in Opus
//   "h264.mp4"      320×240 H.264 picture, no sound ("h264-480.mp4": 640×480)
//   "vp9.webm"      320×240 VP9 picture, no sound
//   "h264-aac.mkv"  picture and the two tones
//   "odd.mkv"       VP9 of 321×241 with Opus
//   "long.mkv"      two H.264 frames that span 60,000 seconds
class TestMedia
{
public:
    // The file's path; fails the test (empty path) when ffmpeg cannot make it.
    QString path(const QString& name)
    {
        const QString file = m_dir.filePath(name);
        if (QFileInfo::exists(file))
            return file;
        const QStringList args = recipe(name);
        if (args.isEmpty() || !TestSupport::ffmpeg(args + QStringList { file })) {
            QTest::qFail(qPrintable(QStringLiteral("cannot make the test media ") + name), __FILE__, __LINE__);
            return {};
        }
        return file;
    }

private:
    // Everything after ffmpeg's "-y -v error" except the output.
    static QStringList recipe(const QString& name)
    {
        using namespace Qt::Literals::StringLiterals;
        const auto lavfi = [](const QString& source) { return QStringList { u"-f"_s, u"lavfi"_s, u"-i"_s, source }; };
        const auto picture
            = [&](int width, int height) { return lavfi(u"color=c=teal:s=%1x%2:r=25:d=12"_s.arg(width).arg(height)); };
        const QStringList sound = lavfi(u"aevalsrc=0.4*sin(2*PI*440*t)|0.4*sin(2*PI*660*t):s=48000:d=12"_s);
        const QStringList h264 { u"-c:v"_s, u"libx264"_s, u"-preset"_s, u"ultrafast"_s, u"-pix_fmt"_s, u"yuv420p"_s };
        const QStringList vp9 { u"-c:v"_s, u"libvpx-vp9"_s, u"-deadline"_s, u"realtime"_s, u"-cpu-used"_s, u"8"_s,
            u"-b:v"_s, u"200k"_s };
        const QStringList opus { u"-c:a"_s, u"libopus"_s, u"-b:a"_s, u"96k"_s };
        const QMap<QString, QStringList> recipes {
            { u"tone.m4a"_s,
                sound + QStringList { u"-c:a"_s, u"aac"_s, u"-b:a"_s, u"128k"_s, u"-metadata"_s, u"title=Origen"_s } },
            { u"tone.webm"_s, sound + opus },
            { u"h264.mp4"_s, picture(320, 240) + h264 },
            { u"h264-480.mp4"_s, picture(640, 480) + h264 },
            { u"vp9.webm"_s, picture(320, 240) + vp9 },
            { u"h264-aac.mkv"_s, picture(320, 240) + sound + h264 + QStringList { u"-c:a"_s, u"aac"_s } },
            { u"odd.mkv"_s, picture(321, 241) + sound + vp9 + opus },
            { u"long.mkv"_s, lavfi(u"color=c=teal:s=32x32:r=1/30000:d=30001"_s) + h264 },
        };
        return recipes.value(name);
    }

    QTemporaryDir m_dir;
};
