#include "StandInTools.h"

#include "Fixtures.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {
const QStringList tools = { u"runner"_s, u"yt-dlp"_s, u"node"_s, u"ffmpeg"_s, u"ffprobe"_s };

QByteArray quoted(const QString& text)
{
    QByteArray result = text.toUtf8();
    result.replace('\'', "'\\''");
    return '\'' + result + '\'';
}
} // namespace

StandInTools::StandInTools()
{
    QDir().mkpath(m_dir.path() + u"/yt-dlp-runtime"_s);
    for (const QString& tool : tools)
        restore(tool);
}

void StandInTools::restore(const QString& tool)
{
    remove(tool);
    const QString relative = QDir(m_dir.path()).relativeFilePath(toolPath(tool));
    QFile::link(QFileInfo(TestSupport::toolsDir() + u'/' + relative).absoluteFilePath(), toolPath(tool));
}

QString StandInTools::toolPath(const QString& tool) const
{
    if (tool == u"yt-dlp"_s)
        return m_dir.path() + u"/yt-dlp-runtime/yt-dlp_linux"_s;
    return m_dir.path() + u'/' + tool;
}

QString StandInTools::file(const QString& name) const
{
    return m_dir.path() + u"/"_s + name;
}

void StandInTools::script(const QString& tool, const QByteArray& body)
{
    remove(tool);
    const QString path = toolPath(tool);
    QVERIFY(TestSupport::writeFile(path, "#!/bin/bash\n"_ba + body + '\n'));
    QFile::setPermissions(path,
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
            | QFile::ExeOther);
}

void StandInTools::remove(const QString& tool)
{
    QFile::remove(toolPath(tool));
}

QString StandInTools::runLog(const QString& tool) const
{
    return file(tool + u".runs"_s);
}

void StandInTools::offlineYtDlp(const QString& infoJson, const QStringList& extra)
{
    const QByteArray real = quoted(TestSupport::toolsDir() + u"/yt-dlp-runtime/yt-dlp_linux"_s);
    QByteArray extraArgs;
    for (const QString& arg : extra + Fixtures::offlineArguments(infoJson))
        extraArgs += ' ' + quoted(arg);
    // Only a run about a link reads the saved document: with it, the engine
    // check's --version would turn into a download of every entry.
    script(u"yt-dlp"_s,
        "case \"${@: -1}\" in http://*|https://*) ;; *) exec "_ba + real
            + " \"$@\";; esac\n"
              "echo $$ >> "_ba
            + quoted(runLog(u"yt-dlp"_s)) + "\nexec "_ba + real + " \"${@:1:$#-1}\""_ba + extraArgs
            + " --ffmpeg-location "_ba + quoted(TestSupport::toolsDir()));
}

void StandInTools::pacedFfmpeg()
{
    script(u"ffmpeg"_s,
        "echo $$ >> "_ba + quoted(runLog(u"ffmpeg"_s)) + "\nexec "_ba + quoted(TestSupport::toolsDir() + u"/ffmpeg"_s)
            + " -re \"$@\""_ba);
}

QList<qint64> StandInTools::runs(const QString& tool) const
{
    QList<qint64> pids;
    for (const QByteArray& line : TestSupport::readFile(runLog(tool)).split('\n')) {
        if (!line.isEmpty())
            pids.append(line.toLongLong());
    }
    return pids;
}
