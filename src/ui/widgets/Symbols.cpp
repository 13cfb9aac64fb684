#include "Symbols.h"

#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>
#include <QtMath>

using namespace Qt::Literals::StringLiterals;

// The icons live in a static library, whose resource object the linker would
// drop unless something refers to it.
static void loadSymbolResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(symbols);
        return true;
    }();
    Q_UNUSED(loaded);
}

namespace {

struct SymbolFile
{
    QString name;
    QString file;
};

// Symbol names in the platform's naming, each with the icon of the same meaning.
const QList<SymbolFile>& symbolFiles()
{
    static const QList<SymbolFile> files = {
        { u"plus"_s, u"plus"_s },
        { u"plus.circle"_s, u"circle-plus"_s },
        { u"arrow.down.circle"_s, u"circle-arrow-down"_s },
        { u"arrow.down.to.line"_s, u"arrow-down-to-line"_s },
        { u"arrow.up.right"_s, u"arrow-up-right"_s },
        { u"arrow.clockwise"_s, u"rotate-cw"_s },
        { u"rectangle.stack"_s, u"gallery-vertical-end"_s },
        { u"folder"_s, u"folder"_s },
        { u"slider.horizontal.3"_s, u"sliders-horizontal"_s },
        // The version line names the computer it runs on.
        { u"apple.logo"_s, u"laptop"_s },
        { u"checkmark.circle"_s, u"circle-check"_s },
        { u"checkmark.circle.fill"_s, u"circle-check-filled"_s },
        { u"checkmark.seal"_s, u"badge-check"_s },
        { u"exclamationmark.circle"_s, u"circle-alert"_s },
        { u"exclamationmark.circle.fill"_s, u"circle-alert-filled"_s },
        { u"xmark"_s, u"x"_s },
        { u"xmark.circle.fill"_s, u"circle-x-filled"_s },
        { u"circle"_s, u"circle"_s },
        { u"sparkle"_s, u"sparkle"_s },
        { u"link"_s, u"link"_s },
        { u"doc.on.clipboard"_s, u"clipboard-paste"_s },
        { u"waveform"_s, u"audio-waveform"_s },
        { u"music.note"_s, u"music"_s },
        { u"play.rectangle"_s, u"square-play"_s },
        { u"play.fill"_s, u"play-filled"_s },
        { u"pause.fill"_s, u"pause-filled"_s },
        { u"4k.tv"_s, u"tv"_s },
        { u"clock"_s, u"clock"_s },
        { u"tray"_s, u"inbox"_s },
        { u"magnifyingglass"_s, u"search"_s },
        { u"ellipsis"_s, u"ellipsis"_s },
    };
    return files;
}

QString fileOf(const QString& name)
{
    static const QHash<QString, QString> byName = [] {
        QHash<QString, QString> map;
        for (const SymbolFile& entry : symbolFiles())
            map.insert(entry.name, entry.file);
        return map;
    }();
    return byName.value(name);
}

QByteArray strokeWidth(SymbolWeight weight)
{
    switch (weight) {
    case SymbolWeight::light:
        return "1.5";
    case SymbolWeight::regular:
        break;
    case SymbolWeight::bold:
        return "2.6";
    }
    return "2";
}

// The icon's SVG with its stroke set for `weight`; every icon of the set draws
// with one stroke width declared on its root element.
QByteArray svgData(const QString& file, SymbolWeight weight)
{
    loadSymbolResources();
    QFile source(u":/symbols/"_s + file + u".svg"_s);
    if (!source.open(QIODevice::ReadOnly))
        return {};
    QByteArray data = source.readAll();
    if (weight != SymbolWeight::regular)
        data.replace("stroke-width=\"2\"", "stroke-width=\"" + strokeWidth(weight) + '"');
    return data;
}

QImage renderSymbol(const QString& file, const QColor& color, int pixels, SymbolWeight weight)
{
    QSvgRenderer renderer(svgData(file, weight));
    if (!renderer.isValid() || pixels <= 0)
        return {};
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    // The drawing is one colour plus coverage: keep the coverage, take the colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    return image;
}

class SymbolIconEngine : public QIconEngine
{
public:
    SymbolIconEngine(QString name, QColor color, SymbolWeight weight)
        : m_name(std::move(name))
        , m_color(color)
        , m_weight(weight)
    {
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        QColor color = m_color;
        if (mode == QIcon::Disabled)
            color.setAlphaF(color.alphaF() * 0.4f);
        const int side = qMin(size.width(), size.height());
        const QPixmap square = symbolPixmap(m_name, color, side, m_weight);
        if (square.isNull() || square.size() == size)
            return square;
        QPixmap framed(size);
        framed.fill(Qt::transparent);
        QPainter painter(&framed);
        painter.drawPixmap((size.width() - side) / 2, (size.height() - side) / 2, square);
        return framed;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pixmap = this->pixmap(rect.size() * ratio, mode, state);
        pixmap.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect.topLeft(), pixmap);
    }

    QIconEngine* clone() const override { return new SymbolIconEngine(m_name, m_color, m_weight); }
    QString key() const override { return u"BrisomarSymbol"_s; }
    bool isNull() override { return !hasSymbol(m_name); }

private:
    QString m_name;
    QColor m_color;
    SymbolWeight m_weight;
};

} // namespace

const QStringList& symbolNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const SymbolFile& entry : symbolFiles())
            list.append(entry.name);
        return list;
    }();
    return names;
}

bool hasSymbol(const QString& name)
{
    return !fileOf(name).isEmpty();
}

QPixmap symbolPixmap(const QString& name, const QColor& color, int size, SymbolWeight weight, qreal devicePixelRatio)
{
    const QString file = fileOf(name);
    if (file.isEmpty() || size <= 0)
        return {};
    const int pixels = qCeil(size * devicePixelRatio);
    const QString key = u"symbol:%1:%2:%3:%4:%5"_s.arg(file, color.name(QColor::HexArgb))
                            .arg(pixels)
                            .arg(int(weight))
                            .arg(devicePixelRatio);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = QPixmap::fromImage(renderSymbol(file, color, pixels, weight));
        pixmap.setDevicePixelRatio(devicePixelRatio);
        QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

QIcon symbolIcon(const QString& name, const QColor& color, SymbolWeight weight)
{
    if (!hasSymbol(name))
        return {};
    return QIcon(new SymbolIconEngine(name, color, weight));
}
