#include "FixtureEngine.h"

#include "BrisError.h"
#include "Fixtures.h"

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
    const QByteArray output = tools().run(u"yt-dlp"_s,
        tools().common() + QStringList { u"--skip-download"_s, u"--dump-single-json"_s, u"--playlist-end"_s, u"21"_s }
            + Fixtures::offlineArguments(document),
        cancel, 120);
    cancel->check();
    return VideoInfo::parseAll(output, *link);
}
