#include "EngineUpdateCommand.h"

#include "BrisError.h"
#include "BrisPaths.h"
#include "Downloader.h"
#include "InstanceLock.h"

#include <QDir>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

int updateEngineCommand()
{
    QTextStream out(stdout);
    const BrisPaths paths;
    QDir().mkpath(paths.data());
    const InstanceLock lock(paths.data());
    if (lock.state() == InstanceLock::State::busy) {
        out << InstanceLock::refusal(paths.data()) << Qt::endl;
        return 1;
    }
    const Downloader engine(Toolchain(), paths);
    try {
        const EngineRefresh refresher = *engine.refresher();
        const EngineRefresh::Found found = refresher.find(std::make_shared<Cancellation>());
        if (!found.verified) {
            out << u"El motor ya está al día: yt-dlp "_s << found.version << u'.' << Qt::endl;
            return 0;
        }
        refresher.adopt(found.version);
        out << u"Motor actualizado a yt-dlp "_s << found.version << u'.' << Qt::endl;
        return 0;
    } catch (const std::exception& error) {
        out << errorDescription(error) << Qt::endl;
        return 1;
    }
}
