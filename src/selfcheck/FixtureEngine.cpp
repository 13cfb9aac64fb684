#include "FixtureEngine.h"

#include "BrisError.h"
#include "Fixtures.h"
#include "ToolArguments.h"

using namespace Qt::Literals::StringLiterals;

void FixtureEngine::serve(const MediaLink& link, const QString& infoJson)
{
    const std::lock_guard lock(m_lock);
    m_documents.insert(link.url(), infoJson);
}

QList<VideoInfo> FixtureEngine::analyze(const QString& text, const CancellationPtr& token) const
{
    const CancellationPtr cancel = token ? token : std::make_shared<Cancellation>();
    const std::optional<MediaLink> link = MediaLink::make(text);
    QString document;
    if (link) {
        const std::lock_guard lock(m_lock);
        document = m_documents.value(link->url());
    }
    if (document.isEmpty())
        throw BrisError::message(u"La comprobación local no consulta la red y no tiene datos de este enlace."_s);
    const QByteArray output = tools().run(
        u"yt-dlp"_s, tools().common() + ToolArguments::metadata() + Fixtures::offlineArguments(document), cancel, 120);
    cancel->check();
    return VideoInfo::parseAll(output, *link);
}

QString FixtureEngine::versions(const CancellationPtr& cancel) const
{
    {
        const std::lock_guard lock(m_lock);
        if (m_versions) {
            if (cancel)
                cancel->check();
            return *m_versions;
        }
    }
    const QString found = Downloader::versions(cancel);
    const std::lock_guard lock(m_lock);
    m_versions = found;
    return found;
}
