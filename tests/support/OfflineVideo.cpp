#include "OfflineVideo.h"

#include "Fixtures.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Rendition
{
    QString vcodec;
    QString acodec;
    int width = 0;
    int height = 0;
};

const QMap<QString, Rendition> byName {
    { u"h264.mp4"_s, { u"avc1.64000d"_s, u"none"_s, 320, 240 } },
    { u"h264-480.mp4"_s, { u"avc1.64001e"_s, u"none"_s, 640, 480 } },
    { u"vp9.webm"_s, { u"vp9"_s, u"none"_s, 320, 240 } },
    { u"tone.m4a"_s, { u"none"_s, u"mp4a.40.2"_s } },
    { u"tone.webm"_s, { u"none"_s, u"opus"_s } },
    { u"h264-aac.mkv"_s, { u"avc1.64000d"_s, u"mp4a.40.2"_s, 320, 240 } },
};

} // namespace

OfflineVideo::OfflineVideo(
    TestMedia& media, const QStringList& renditions, double duration, const QString& link, const QString& id)
    : engine(Toolchain(stand.root()), BrisPaths(data.path()))
{
    QJsonArray formats;
    for (const QString& name : renditions)
        formats.append(format(media, name));
    const MediaPlatform platform = MediaLink::make(link).value().platform();
    info = Fixtures::videoInfo(id, rawValue(platform), u"Dos tonos"_s, duration, formats);
    video = VideoInfo::parseAll(QJsonDocument(info).toJson(), MediaLink::make(link).value()).first();
    serve(info);
}

QJsonObject OfflineVideo::format(TestMedia& media, const QString& rendition)
{
    const QString name = rendition.section(u'@', 0, 0);
    if (!byName.contains(name))
        qFatal("no rendition for %s", qPrintable(name));
    const Rendition known = byName.value(name);
    const int height = rendition.contains(u'@') ? rendition.section(u'@', 1).toInt() : known.height;
    const int width = known.height ? known.width * height / known.height : 0;
    return Fixtures::localFormat(name, media.path(name), known.vcodec, known.acodec, width, height);
}

void OfflineVideo::serve(const QJsonObject& served, const QStringList& extra)
{
    const QString file = stand.file(u"info.json"_s);
    QVERIFY(TestSupport::writeJson(file, served));
    stand.offlineYtDlp(file, extra);
}

DownloadJob OfflineVideo::job(const DownloadProfile& profile) const
{
    return DownloadJob::make(video, profile, folder.path(), JobState::queued, false);
}

Outcome OfflineVideo::run(const DownloadJob& job, const CancellationPtr& cancel)
{
    Outcome outcome;
    outcome.error = TestSupport::failure([&] {
        outcome.job
            = engine.exportJob(job, cancel, [&](const DownloadUpdate& update) { outcome.updates.append(update); });
    });
    if (outcome.job)
        outcome.error.clear();
    return outcome;
}

QStringList OfflineVideo::delivered() const
{
    QStringList names
        = QDir(folder.path())
              .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    names.removeAll(u".Brisomar"_s);
    return names;
}

QString OfflineVideo::workDirectory(const DownloadProfile& profile) const
{
    return folder.path() + u"/.Brisomar/"_s + video.storageID() + u'-' + profile.key();
}

QString OfflineVideo::cacheEntry() const
{
    return data.path() + u"/Originals/"_s + video.storageID();
}

UpdateCallback UpdateLog::callback()
{
    return [this](const DownloadUpdate& update) {
        std::lock_guard guard(m_lock);
        m_updates.append(update);
    };
}

bool UpdateLog::any(const std::function<bool(const DownloadUpdate&)>& test) const
{
    std::lock_guard guard(m_lock);
    return std::any_of(m_updates.begin(), m_updates.end(), test);
}
