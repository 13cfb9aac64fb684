#include "StressSupport.h"

#include "MediaLink.h"
#include "StandInTools.h"
#include "TestMedia.h"
#include "TestSupport.h"
#include "VideoInfo.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace StressSupport {

quint32 seed()
{
    bool ok = false;
    quint32 value = qEnvironmentVariable("BRISOMAR_STRESS_SEED").toUInt(&ok);
    if (!ok)
        value = QRandomGenerator::system()->generate();
    qInfo("seed %u (BRISOMAR_STRESS_SEED=%u repeats this run)", value, value);
    return value;
}

QStringList processesTagged(const QByteArray& variable, const QByteArray& value)
{
    const QByteArray entry = variable + '=' + value;
    QStringList found;
    const QStringList pids = QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        bool number = false;
        const qint64 id = pid.toLongLong(&number);
        if (!number || id == ::getpid())
            continue;
        QFile environ(u"/proc/%1/environ"_s.arg(pid));
        if (!environ.open(QIODevice::ReadOnly))
            continue;
        if (!environ.readAll().split('\0').contains(entry) || TestSupport::processEnded(id))
            continue;
        QByteArray command = TestSupport::readFile(u"/proc/%1/cmdline"_s.arg(pid));
        command.replace('\0', ' ');
        found << pid + u": "_s + QString::fromUtf8(command.trimmed());
    }
    return found;
}

QMap<QString, QString> snapshot(const QString& root)
{
    QMap<QString, QString> result;
    QDirIterator entries(
        root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString path = entries.next();
        struct stat info;
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
            continue;
        result.insert(path,
            u"%1 %2 %3.%4 %5"_s.arg(QString::number(info.st_size), QString::number(info.st_mode, 8),
                QString::number(info.st_ctim.tv_sec), QString::number(info.st_ctim.tv_nsec),
                entries.fileInfo().symLinkTarget()));
    }
    return result;
}

VideoInfo serveOffline(StandInTools& stand, TestMedia& media, const QString& title)
{
    const QJsonArray formats {
        TestSupport::offlineFormat(
            u"both"_s, media.path(u"h264-aac.mkv"_s), u"avc1.64000d"_s, u"mp4a.40.2"_s, 320, 240),
        TestSupport::offlineFormat(u"sound"_s, media.path(u"tone.m4a"_s), u"none"_s, u"mp4a.40.2"_s),
    };
    const QJsonObject info = TestSupport::offlineInfo(u"abcdefghijk"_s, u"youtube"_s, title, 12, formats);
    const QString file = stand.file(u"info.json"_s);
    TestSupport::writeJson(file, info);
    stand.offlineYtDlp(file);
    const MediaLink link = MediaLink::make(u"https://www.youtube.com/watch?v=abcdefghijk"_s).value();
    return VideoInfo::parseAll(QJsonDocument(info).toJson(), link).first();
}

} // namespace StressSupport
