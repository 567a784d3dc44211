#pragma once

#include "design/DesignEnvironment.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>

// The application palette of a desktop in `scheme`: the design environment reads its colour
// scheme from it, so a test sets it before it makes the views it shows light or dark.
inline QPalette paletteFor(mv::ColorScheme scheme)
{
    QPalette palette = QApplication::style()->standardPalette();
    if (scheme == mv::ColorScheme::dark) {
        palette.setColor(QPalette::Window, QColor(36, 36, 40));
        palette.setColor(QPalette::WindowText, Qt::white);
        palette.setColor(QPalette::Base, QColor(28, 28, 30));
        palette.setColor(QPalette::Text, Qt::white);
    }
    return palette;
}
