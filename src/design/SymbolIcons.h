#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

namespace mv::SymbolIcons {

// The model keeps symbol names (such as "pin.fill") as plain strings; this table maps each name
// the program uses to freedesktop icon names. An icon is looked up in the desktop's icon theme
// first, then in the Adwaita theme of Debian's adwaita-icon-theme package, and a name that the
// table lacks, or whose icons are all missing, draws a visible stand-in (a dashed square with a
// question mark) so the gap shows instead of an empty space.

enum class Source { desktopTheme, bundledTheme, fallback };

// The freedesktop names tried for a symbol, best first; empty for a name the table lacks.
QStringList freedesktopNames(const QString& symbolName);
bool isKnown(const QString& symbolName);
// Every symbol name of the table.
QStringList knownSymbolNames();

// Where the icon of a symbol comes from on this machine.
Source source(const QString& symbolName);

// The symbol as an icon (the stand-in for an unknown name).
QIcon icon(const QString& symbolName);

// The symbol's glyph, `side` logical pixels square at `devicePixelRatio`, drawn in `color`
// (monochrome, like the symbols it stands for).
QPixmap pixmap(const QString& symbolName, int side, const QColor& color, qreal devicePixelRatio = 1.0);

// Draws the glyph centred in `rect` at a side of `side` logical pixels.
void paint(QPainter& painter, const QRectF& rect, const QString& symbolName, qreal side, const QColor& color);

// The glyph in one colour as an icon, for menus.
QIcon tintedIcon(const QString& symbolName, const QColor& color);

// The glyph side that stands for a symbol drawn at the given font size.
qreal sideForFontSize(qreal fontSize);

} // namespace mv::SymbolIcons
