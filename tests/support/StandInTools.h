#pragma once

#include "Fixtures.h"
#include "TestSupport.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

// A tools root in a temporary folder: links to the build's real tools, any of
// which a test may replace by a small script keeping the tool's contract.
class StandInTools
{
public:
    StandInTools()
    {
        QDir().mkpath(m_dir.path() + QStringLiteral("/yt-dlp-runtime"));
        for (const char* tool : { "runner", "yt-dlp", "node", "ffmpeg", "ffprobe" })
            restore(QString::fromLatin1(tool));
    }

    QString root() const { return m_dir.path(); }
    // Where the engine looks for `tool` under this root.
    QString toolPath(const QString& tool) const
    {
        return m_dir.path()
            + (tool == QStringLiteral("yt-dlp") ? QStringLiteral("/yt-dlp-runtime/yt-dlp_linux") : u'/' + tool);
    }
    // A file in the temporary folder, for what the scripts leave behind.
    QString file(const QString& name) const { return m_dir.path() + u'/' + name; }

    // Replaces `tool` with a bash script made of `body`.
    void script(const QString& tool, const QByteArray& body)
    {
        remove(tool);
        QVERIFY(TestSupport::writeFile(toolPath(tool), "#!/bin/bash\n" + body + '\n'));
        QFile::setPermissions(toolPath(tool), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void remove(const QString& tool) { QFile::remove(toolPath(tool)); }
    // Links the build's real `tool` back in.
    void restore(const QString& tool)
    {
        remove(tool);
        const QString relative = QDir(m_dir.path()).relativeFilePath(toolPath(tool));
        QFile::link(QFileInfo(TestSupport::toolsDir() + u'/' + relative).absoluteFilePath(), toolPath(tool));
    }
    // The real yt-dlp reading the saved info JSON `infoJson` instead of the link
    // it is given: the trailing link becomes `extra` and "--enable-file-urls
    // --no-clean-info-json --load-info-json <infoJson>", so analysis and
    // downloads of local files run offline. Its own ffmpeg runs (merging,
    // probing) use the build's real ffmpeg, whatever stands in for the engine's.
    // Each run about a link is logged (see runs); any other (--version) is the
    // real yt-dlp untouched.
    void offlineYtDlp(const QString& infoJson, const QStringList& extra = {})
    {
        const QByteArray real = quoted(TestSupport::toolsDir() + QStringLiteral("/yt-dlp-runtime/yt-dlp_linux"));
        QByteArray extraArgs;
        for (const QString& arg : extra + Fixtures::offlineArguments(infoJson))
            extraArgs += ' ' + quoted(arg);
        // Only a run about a link reads the saved document: with it, the engine
        // check's --version would turn into a download of every entry.
        script(QStringLiteral("yt-dlp"),
            "case \"${@: -1}\" in http://*|https://*) ;; *) exec " + real + " \"$@\";; esac\necho $$ >> "
                + quoted(runLog(QStringLiteral("yt-dlp"))) + "\nexec " + real + " \"${@:1:$#-1}\"" + extraArgs
                + " --ffmpeg-location " + quoted(TestSupport::toolsDir()));
    }
    // The real ffmpeg reading its input at the media's own pace (-re), so that a
    // run lasts as long as the media: time for a test to step in. Logged too.
    void pacedFfmpeg() { logged(QStringLiteral("ffmpeg"), " -re"); }
    // The real `tool` (not yt-dlp), each run logged, with `options` first.
    void logged(const QString& tool, const QByteArray& options = {})
    {
        script(tool,
            "echo $$ >> " + quoted(runLog(tool)) + "\nexec " + quoted(TestSupport::toolsDir() + u'/' + tool) + options
                + " \"$@\"");
    }
    // The process ids of the logged runs of `tool`, oldest first.
    QList<qint64> runs(const QString& tool) const
    {
        QList<qint64> pids;
        for (const QByteArray& line : TestSupport::readFile(runLog(tool)).split('\n'))
            if (!line.isEmpty())
                pids.append(line.toLongLong());
        return pids;
    }

private:
    QString runLog(const QString& tool) const { return file(tool + QStringLiteral(".runs")); }
    static QByteArray quoted(const QString& text) { return '\'' + text.toUtf8().replace('\'', "'\\''") + '\''; }

    QTemporaryDir m_dir;
};
