#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A tools root in a temporary folder: links to the build's real tools, any of
// which a test may replace by a small script keeping the tool's contract.
class StandInTools
{
public:
    StandInTools();

    QString root() const { return m_dir.path(); }
    // Where the engine looks for `tool` under this root.
    QString toolPath(const QString& tool) const;
    // A file in the temporary folder, for what the scripts leave behind.
    QString file(const QString& name) const;

    // Replaces `tool` with a bash script made of `body`.
    void script(const QString& tool, const QByteArray& body);
    void remove(const QString& tool);
    // Links the build's real `tool` back in.
    void restore(const QString& tool);
    // The real yt-dlp reading the saved info JSON `infoJson` instead of the link
    // it is given: the trailing link becomes `extra` and "--enable-file-urls
    // --no-clean-info-json --load-info-json <infoJson>", so analysis and
    // downloads of local files run offline. Its own ffmpeg runs (merging,
    // probing) use the build's real ffmpeg, whatever stands in for the engine's.
    // Each run about a link is logged (see runs); any other (--version) is the
    // real yt-dlp untouched.
    void offlineYtDlp(const QString& infoJson, const QStringList& extra = {});
    // The real ffmpeg reading its input at the media's own pace (-re), so that a
    // run lasts as long as the media: time for a test to step in. Logged too.
    void pacedFfmpeg();
    // The process ids of the logged runs of `tool`, oldest first.
    QList<qint64> runs(const QString& tool) const;

private:
    QString runLog(const QString& tool) const;

    QTemporaryDir m_dir;
};
