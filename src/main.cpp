#include "EngineUpdateCommand.h"
#include "SocialValidation.h"
#include "Validation.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QThreadPool>

#include <cstring>

#ifdef BRISOMAR_HAS_UI
#include "AppDelegate.h"
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

bool hasSwitch(int argc, char* argv[], const char* name)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return true;
    return false;
}

// A suite runs off the main thread while the main loop keeps the process
// alive; its status becomes the process's.
int runHeadless(int argc, char* argv[], std::function<int()> suite)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"Brisomar"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(BRISOMAR_VERSION));
    // Handed back as a queued call, as the application model does: Qt 6.4's
    // QFuture::then with a context object crashed now and then.
    QThreadPool::globalInstance()->start([&app, suite = std::move(suite)] {
        const int status = suite();
        QMetaObject::invokeMethod(&app, [status] { QCoreApplication::exit(status); }, Qt::QueuedConnection);
    });
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    // The social suite wins when both kinds of switch are given.
    if (hasSwitch(argc, argv, "--social-test"))
        return runHeadless(argc, argv, [] { return SocialValidation::live(); });
    if (hasSwitch(argc, argv, "--self-test") || hasSwitch(argc, argv, "--live-test")) {
        const bool live = hasSwitch(argc, argv, "--live-test");
        return runHeadless(argc, argv, [live] { return Validation::run(live); });
    }
    if (hasSwitch(argc, argv, "--update-engine"))
        return runHeadless(argc, argv, [] { return updateEngineCommand(); });

#ifdef BRISOMAR_HAS_UI
    return AppDelegate::run(argc, argv);
#else
    QTextStream(stderr)
        << "Esta compilación no tiene ventana: usá --self-test, --live-test, --social-test o --update-engine."
        << Qt::endl;
    return 2;
#endif
}
