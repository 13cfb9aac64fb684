// Renders the app icon's SVG to the PNG sizes of the hicolor theme:
// render_icon <icon.svg> <theme-folder> <name> <size>...
// writes <theme-folder>/<size>x<size>/apps/<name>.png for each size.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (args.size() < 5) {
        err << "usage: render_icon <icon.svg> <theme-folder> <name> <size>..." << Qt::endl;
        return 2;
    }
    QSvgRenderer renderer(args[1]);
    if (!renderer.isValid()) {
        err << "cannot read " << args[1] << Qt::endl;
        return 1;
    }
    for (const QString& text : args.mid(4)) {
        bool ok = false;
        const int size = text.toInt(&ok);
        if (!ok || size <= 0) {
            err << "not a size: " << text << Qt::endl;
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter, QRectF(0, 0, size, size));
        }
        const QString folder = u"%1/%2x%2/apps"_s.arg(args[2]).arg(size);
        const QString path = folder + u'/' + args[3] + u".png"_s;
        if (!QDir().mkpath(folder) || !image.save(path)) {
            err << "cannot write " << path << Qt::endl;
            return 1;
        }
    }
    return 0;
}
