#include "ScreenHarness.h"

#include "AppUpdates.h"
#include "Downloader.h"
#include "TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

ScreenHarness::ScreenHarness()
{
    qputenv("BRISOMAR_DOWNLOAD_DIR", downloads().toUtf8());
}

ScreenHarness::~ScreenHarness()
{
    model.reset();
}

QString ScreenHarness::clip()
{
    if (m_clip.isEmpty()) {
        const QString path = dir.filePath(u"media/clip.mp4"_s);
        if (TestSupport::makeMedia(path, 320, 240, 1, 1))
            m_clip = path;
    }
    return m_clip;
}

void ScreenHarness::serve(const QJsonObject& info)
{
    const QString file = tools.file(u"info.json"_s);
    QVERIFY(TestSupport::writeJson(file, info));
    tools.offlineYtDlp(file);
    // The engine check asks only for the version: the saved document must not
    // turn it into a download of every entry into the working directory.
    const QByteArray offline = TestSupport::readFile(tools.toolPath(u"yt-dlp"_s));
    const QByteArray real = QFile::encodeName(TestSupport::toolsDir() + u"/yt-dlp-runtime/yt-dlp_linux"_s);
    tools.script(u"yt-dlp"_s,
        "if [ \"$1\" = --version ]; then exec '"_ba + real + "' --version; fi\n"_ba
            + offline.mid(offline.indexOf('\n') + 1));
}

void ScreenHarness::hangAnalysis()
{
    tools.script(u"yt-dlp"_s,
        "if [ \"$1\" = --version ]; then echo 2026.11.23; exit 0; fi\n"
        "echo $$ > '"_ba
            + analysisPid().toUtf8() + "'\nexec sleep 600"_ba);
}

void ScreenHarness::hangEngineCheck()
{
    tools.script(u"yt-dlp"_s, "exec sleep 600"_ba);
}

void ScreenHarness::breakEngine()
{
    tools.remove(u"yt-dlp"_s);
}

AppModel& ScreenHarness::open(AppUpdates* updates)
{
    return open(std::make_shared<Downloader>(Toolchain(tools.root()), BrisPaths(data())), updates);
}

AppModel& ScreenHarness::open(std::shared_ptr<Downloader> engine, AppUpdates* updates)
{
    model.reset();
    model = std::make_unique<AppModel>(std::move(engine), &services, updates);
    model->setBannerDuration(std::chrono::seconds(60));
    return *model;
}

bool ScreenHarness::openStarted(AppUpdates* updates)
{
    open(updates).start();
    return QTest::qWaitFor([&] { return !model->engineChecking(); }, 20000);
}

QJsonObject offlinePost(const QString& media, int count, const QList<int>& heights, const QList<double>& durations)
{
    QJsonArray entries;
    for (int i = 1; i <= count; ++i) {
        QJsonObject entry = TestSupport::offlineVideo(
            u"10%1"_s.arg(i), u"instagram"_s, media, heights.first() * 16 / 9, heights.first());
        entry.insert(u"title"_s, u"Clip %1"_s.arg(i));
        if (i <= durations.size())
            entry.insert(u"duration"_s, durations[i - 1]);
        // More renditions of the same file, claiming other heights.
        QJsonArray formats = entry.value(u"formats"_s).toArray();
        const QJsonObject first = formats.first().toObject();
        for (qsizetype h = 1; h < heights.size(); ++h) {
            QJsonObject format = first;
            format.insert(u"format_id"_s, u"local%1"_s.arg(heights[h]));
            format.insert(u"height"_s, heights[h]);
            format.insert(u"width"_s, heights[h] * 16 / 9);
            formats.append(format);
        }
        entry.insert(u"formats"_s, formats);
        entries.append(entry);
    }
    if (count == 1) {
        QJsonObject single = entries.first().toObject();
        return single;
    }
    return { { u"id"_s, u"Cabc123"_s }, { u"_type"_s, u"playlist"_s }, { u"extractor"_s, u"instagram"_s },
        { u"extractor_key"_s, u"Instagram"_s }, { u"entries"_s, entries } };
}

QString postLink()
{
    return u"https://www.instagram.com/p/Cabc123/"_s;
}
