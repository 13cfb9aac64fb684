#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Brisomar"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRISOMAR_VERSION));
    QTextStream(stdout) << "Brisomar " << QCoreApplication::applicationVersion() << Qt::endl;
    return 0;
}
