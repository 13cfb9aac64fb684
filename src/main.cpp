#include <QCoreApplication>
#include <QTextStream>

#ifdef BRISOMAR_HAS_UI
#include "AppDelegate.h"
#endif

int main(int argc, char* argv[])
{
#ifdef BRISOMAR_HAS_UI
    return AppDelegate::run(argc, argv);
#else
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Brisomar"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRISOMAR_VERSION));
    QTextStream(stdout) << "Brisomar " << QCoreApplication::applicationVersion() << Qt::endl;
    return 0;
#endif
}
