// Draws the window's visual vocabulary in both colour schemes and saves one PNG
// per scheme, to look at: gallery <folder>.
#include "AccentStyle.h"
#include "Badge.h"
#include "BrandMark.h"
#include "EmptyState.h"
#include "EngineCapsule.h"
#include "QuietStyle.h"
#include "StyledLabel.h"
#include "Surface.h"
#include "Symbols.h"
#include "SymbolView.h"
#include "Theme.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextStream>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QPushButton* accent(const QString& text, bool compact, const QString& symbol = {})
{
    auto* button = new QPushButton(text);
    if (!symbol.isEmpty())
        button->setIcon(symbolIcon(symbol, Qt::black));
    AccentStyle::apply(button, compact);
    return button;
}

QPushButton* quiet(const QString& text, const QString& symbol = {})
{
    auto* button = new QPushButton(text);
    if (!symbol.isEmpty())
        button->setIcon(symbolIcon(symbol, Qt::black));
    QuietStyle::apply(button);
    return button;
}

QWidget* buildGallery()
{
    auto* root = new QWidget;
    auto* columns = new QHBoxLayout(root);
    columns->setContentsMargins(30, 30, 30, 30);
    columns->setSpacing(22);

    auto* left = new QVBoxLayout;
    left->setSpacing(18);
    columns->addLayout(left, 1);

    auto* brand = new QHBoxLayout;
    brand->setSpacing(10);
    brand->addWidget(new BrandMark);
    auto* names = new QVBoxLayout;
    names->setSpacing(1);
    names->addWidget(new StyledLabel(u"Brisomar"_s, uiFont(21, QFont::Bold)));
    names->addWidget(new StyledLabel(u"LOCAL DOWNLOADER"_s, uiFont(8, QFont::DemiBold, 1.6), Tone::secondary));
    brand->addLayout(names);
    brand->addStretch();
    left->addLayout(brand);

    auto* entries = new QVBoxLayout;
    entries->setSpacing(5);
    const struct
    {
        QString title;
        QString symbol;
        int count;
        bool selected;
    } rows[] = { { u"Nueva descarga"_s, u"plus.circle"_s, 0, false },
        { u"Cola de descargas"_s, u"arrow.down.circle"_s, 3, true },
        { u"Descargados"_s, u"rectangle.stack"_s, 12, false } };
    for (const auto& row : rows) {
        auto* line = new QHBoxLayout;
        line->setSpacing(10);
        line->addWidget(
            new SymbolView(row.symbol, 16, row.selected ? Tone::coral : Tone::primary, row.selected ? 1 : 0.65));
        line->addWidget(new StyledLabel(row.title, uiFont(13, row.selected ? QFont::DemiBold : QFont::Medium),
            row.selected ? Tone::coral : Tone::primary, row.selected ? 1 : 0.65));
        line->addStretch();
        auto* badge = new Badge;
        badge->setCount(row.count);
        badge->setHighlighted(row.selected);
        line->addWidget(badge);
        entries->addLayout(line);
    }
    left->addLayout(entries);

    auto* capsules = new QHBoxLayout;
    for (auto [ready, checking] : { std::pair { true, false }, { false, true }, { false, false } }) {
        auto* capsule = new EngineCapsule;
        capsule->setStatus(ready, checking);
        capsules->addWidget(capsule);
    }
    capsules->addStretch();
    left->addLayout(capsules);

    auto* accents = new QHBoxLayout;
    accents->addWidget(accent(u"Analizar enlace"_s, false));
    auto* pressed = accent(u"Pulsado"_s, false);
    pressed->setDown(true);
    accents->addWidget(pressed);
    auto* disabled = accent(u"Descargar video"_s, false, u"arrow.down.to.line"_s);
    disabled->setEnabled(false);
    accents->addWidget(disabled);
    accents->addWidget(accent(u"Listo"_s, true));
    accents->addWidget(accent(u"Agregar enlace"_s, true, u"plus"_s));
    accents->addStretch();
    left->addLayout(accents);

    auto* quiets = new QHBoxLayout;
    quiets->addWidget(quiet(u"Reintentar"_s, u"arrow.clockwise"_s));
    auto* quietPressed = quiet(u"Cambiar carpeta…"_s);
    quietPressed->setDown(true);
    quiets->addWidget(quietPressed);
    auto* quietOff = quiet(u"Vaciar caché"_s);
    quietOff->setEnabled(false);
    quiets->addWidget(quietOff);
    quiets->addWidget(quiet({}, u"xmark"_s));
    quiets->addWidget(quiet({}, u"play.fill"_s));
    quiets->addStretch();
    left->addLayout(quiets);

    auto* card = new Surface(12);
    card->column()->addWidget(new StyledLabel(u"¿Qué querés guardar?"_s, uiFont(16, QFont::DemiBold)));
    card->column()->addWidget(new StyledLabel(
        u"Un bitrate mayor no recupera detalle que el original no tenga."_s, uiFont(11), Tone::secondary));
    card->column()->addWidget(
        new StyledLabel(u"Descargá contenido que tengas permitido guardar."_s, uiFont(11), Tone::tertiary));
    left->addWidget(card);

    auto* symbols = new Surface;
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(10);
    const QStringList& all = symbolNames();
    for (int i = 0; i < all.size(); ++i) {
        auto* cell = new QHBoxLayout;
        cell->setSpacing(6);
        cell->addWidget(new SymbolView(all[i], 20, i % 5 == 0 ? Tone::coral : Tone::primary));
        cell->addWidget(new StyledLabel(all[i], uiFont(10), Tone::secondary));
        cell->addStretch();
        grid->addLayout(cell, i / 3, i % 3);
    }
    symbols->column()->addLayout(grid);
    left->addWidget(symbols);
    left->addStretch();

    auto* empty = new EmptyState(u"rectangle.stack"_s, u"Tus favoritos, siempre cerca."_s,
        u"Los archivos terminados aparecen acá. Podés reproducirlos o encontrarlos en Finder."_s, u"Nueva descarga"_s,
        [] {});
    empty->setMinimumWidth(440);
    columns->addWidget(empty, 1);
    return root;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(folder);
    QWidget* gallery = buildGallery();
    gallery->resize(1060, 900);
    gallery->show();
    for (ColorScheme scheme : { ColorScheme::light, ColorScheme::dark }) {
        Theme::instance().setPreferred(scheme);
        QApplication::processEvents();
        const QString name = scheme == ColorScheme::dark ? u"gallery-dark.png"_s : u"gallery-light.png"_s;
        const QString path = QDir(folder).filePath(name);
        if (!gallery->grab().save(path))
            return 1;
        QTextStream(stdout) << path << Qt::endl;
    }
    delete gallery;
    return 0;
}
