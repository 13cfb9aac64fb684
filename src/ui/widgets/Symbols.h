#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

// The symbols the screens name ("folder", "checkmark.circle.fill", ...), drawn
// from the icon set compiled into the program. For the GUI thread only.

enum class SymbolWeight { light, regular, bold };

// Every symbol name known, in a stable order.
const QStringList& symbolNames();
bool hasSymbol(const QString& name);

// `name` drawn in `color` in a square of `size` device-independent pixels, for a
// screen of `devicePixelRatio`. Cached. Null for an unknown name.
QPixmap symbolPixmap(const QString& name, const QColor& color, int size, SymbolWeight weight = SymbolWeight::regular,
    qreal devicePixelRatio = 1.0);

// An icon of `name` in `color` that draws sharply at any size; the disabled mode
// is drawn fainter. Null for an unknown name.
QIcon symbolIcon(const QString& name, const QColor& color, SymbolWeight weight = SymbolWeight::regular);
