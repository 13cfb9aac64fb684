#include "TestMedia.h"

#include "TestSupport.h"

#include <QFileInfo>
#include <QMap>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString tones = u"aevalsrc=0.4*sin(2*PI*440*t)|0.4*sin(2*PI*660*t):s=48000:d=12"_s;

QStringList picture(int width, int height, double seconds = 12)
{
    return { u"-f"_s, u"lavfi"_s, u"-i"_s, u"color=c=teal:s=%1x%2:r=25:d=%3"_s.arg(width).arg(height).arg(seconds) };
}

QStringList sound()
{
    return { u"-f"_s, u"lavfi"_s, u"-i"_s, tones };
}

const QStringList h264 = { u"-c:v"_s, u"libx264"_s, u"-preset"_s, u"ultrafast"_s, u"-pix_fmt"_s, u"yuv420p"_s };
const QStringList vp9
    = { u"-c:v"_s, u"libvpx-vp9"_s, u"-deadline"_s, u"realtime"_s, u"-cpu-used"_s, u"8"_s, u"-b:v"_s, u"200k"_s };
const QStringList opus = { u"-c:a"_s, u"libopus"_s, u"-b:a"_s, u"96k"_s };

// Everything after ffmpeg's "-y -v error" except the output.
QStringList recipe(const QString& name)
{
    static const QMap<QString, QStringList> recipes {
        { u"tone.m4a"_s,
            sound() + QStringList { u"-c:a"_s, u"aac"_s, u"-b:a"_s, u"128k"_s, u"-metadata"_s, u"title=Origen"_s } },
        { u"tone.webm"_s, sound() + opus },
        { u"h264.mp4"_s, picture(320, 240) + h264 },
        { u"h264-480.mp4"_s, picture(640, 480) + h264 },
        { u"vp9.webm"_s, picture(320, 240) + vp9 },
        { u"h264-aac.mkv"_s, picture(320, 240) + sound() + h264 + QStringList { u"-c:a"_s, u"aac"_s } },
        { u"odd.mkv"_s, picture(321, 241) + sound() + vp9 + opus },
        { u"long.mkv"_s,
            QStringList { u"-f"_s, u"lavfi"_s, u"-i"_s, u"color=c=teal:s=32x32:r=1/30000:d=30001"_s } + h264 },
    };
    return recipes.value(name);
}

} // namespace

QString TestMedia::path(const QString& name)
{
    const QString file = m_dir.filePath(name);
    if (QFileInfo::exists(file))
        return file;
    const QStringList args = recipe(name);
    if (args.isEmpty() || !TestSupport::ffmpeg(args + QStringList { file })) {
        QTest::qFail(qPrintable(u"cannot make the test media "_s + name), __FILE__, __LINE__);
        return {};
    }
    return file;
}
