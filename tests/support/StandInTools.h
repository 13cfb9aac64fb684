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
    // The real yt-dlp reading the saved info JSON `infoJson` instead of the link
    // it is given: the trailing link becomes "--enable-file-urls
    // --no-clean-info-json --load-info-json <infoJson>", so analysis and
    // downloads of local files run offline.
    void offlineYtDlp(const QString& infoJson);

private:
    QTemporaryDir m_dir;
};
