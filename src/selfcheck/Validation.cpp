#include "Validation.h"

#include "AheadOfTurn.h"
#include "BrisError.h"
#include "CheckLog.h"
#include "FileSystem.h"
#include "FixtureEngine.h"
#include "JsRuntimeCheck.h"
#include "LiveSuite.h"
#include "LocalSuite.h"
#include "Report.h"
#include "Storage.h"

#include <QDir>
#include <QJsonDocument>

using namespace Qt::Literals::StringLiterals;

namespace Validation {

int run(bool live)
{
    return run(live, Options());
}

int run(bool live, const Options& options)
{
    CheckLog log(options.print);
    const QString root = SuiteSupport::scratchRoot(u"Brisomar-QA-"_s);
    const QString reportPath = QDir(root).filePath(u"report.json"_s);
    const QString mode = live ? u"live-youtube"_s : u"local-self-test"_s;
    // Another run in this root would write the same report.
    const SuiteSupport::Claim claim = SuiteSupport::claim({ root });
    if (claim.refusal) {
        log.print(*claim.refusal);
        return 1;
    }
    // Each run starts clean: the data, downloads and fixtures of earlier runs
    // stay where they are, apart from this one's.
    const QString work = SuiteSupport::runFolder(root);
    try {
        const BrisPaths paths(QDir(work).filePath(u"data"_s));
        // The local suite answers analyses from its own documents; the live one asks the platform.
        const std::shared_ptr<FixtureEngine> local
            = live ? nullptr : std::make_shared<FixtureEngine>(Toolchain(), paths);
        const std::shared_ptr<Downloader> engine
            = local ? std::static_pointer_cast<Downloader>(local) : std::make_shared<Downloader>(Toolchain(), paths);
        FileSystem::makeDirectories(work);
        Storage::prepare(paths);

        // Two slow starts of yt-dlp side by side: the engine check's and this one.
        AheadOfTurn javaScript([&](CheckLog& ahead, const SuiteSupport::Printer&) {
            // Its detail names the runtime and version the engine's yt-dlp takes.
            const JsRuntimeCheck::Result js
                = JsRuntimeCheck::run(engine->tools(), work, std::make_shared<Cancellation>());
            ahead.record(js.accepted, u"yt-dlp acepta el motor de JavaScript"_s, js.detail);
        });
        const QString versions = engine->versions();
        log.record(!versions.isEmpty(), u"Herramientas incluidas funcionan sin Python ni Homebrew en PATH"_s,
            versions.section(u'\n', 0, 0));
        javaScript.join(log);
        if (live)
            LiveSuite(*engine, root, work, log).run();
        else
            LocalSuite(local, work, log, options.rules, options.print).run();

        SuiteSupport::writeJson(reportPath, QJsonDocument(Report { mode, true, versions, log.checks() }.toJson()));
        log.print(u"PASS %1 comprobaciones · %2"_s.arg(log.checks().size()).arg(QDir::toNativeSeparators(root)));
        return 0;
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        log.append(Check { u"Ejecución"_s, false, fullDescription(error) });
        log.print(u"FAIL "_s + errorDescription(error));
        log.print(fullDescription(error));
        try {
            SuiteSupport::writeJson(
                reportPath, QJsonDocument(Report { mode, false, QString(), log.checks() }.toJson()));
        } catch (const std::exception&) {
            // The status still tells the outcome.
        }
        return 1;
    }
}

} // namespace Validation
