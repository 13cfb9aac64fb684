#pragma once

#include "Downloader.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <mutex>
#include <optional>

// The engine of the local suite. Analyses answer from saved metadata documents
// that the real yt-dlp reads with their renditions as local files, so the suite
// never reaches the network; every other operation is the engine's own.
class FixtureEngine : public Downloader
{
public:
    using Downloader::Downloader;

    // Analyses of `link` answer with the document at `infoJson`.
    void serve(const MediaLink& link, const QString& infoJson);
    // A link without a document is refused rather than looked up online.
    QList<VideoInfo> analyze(const QString& text, const CancellationPtr& cancel) const override;
    // The first answer is the tools' own; the application models of the run,
    // whose engine checks come later, get the same answer without starting
    // the same tools again.
    QString versions(const CancellationPtr& cancel = std::make_shared<Cancellation>()) const override;

private:
    mutable std::mutex m_lock;
    QHash<QString, QString> m_documents;
    mutable std::optional<QString> m_versions;
};
