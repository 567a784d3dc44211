#pragma once

#include "core/models/FenceModels.h"

#include <QImage>
#include <QList>
#include <QWidget>

namespace mv::testing {

// A fence with the given tabs (first tab active), a tint and an opacity of 0.72.
FenceModel makeFence(const QString& title, QList<FenceTab> tabs, FenceTintPalette tint = FenceTintPalette::cerulean);
FenceTab makeTab(const QString& title, const QString& symbolName, FenceKind kind = FenceKind::curated);
FenceChecklistTask makeTask(const QString& title, bool completed = false, bool flagged = false);

// Renders `widget` (and its children) over an opaque fill of `backdrop`.
QImage renderOver(QWidget& widget, const QColor& backdrop);

// Lays a widget out at `size` without showing a window: resize, polish, layout activation.
void layOut(QWidget& widget, QSize size);

// Types `text` into the focused-or-given widget: ASCII as key presses, everything else as
// the input method's committed text, as a Chinese user's keyboard delivers it.
void typeText(QWidget* widget, const QString& text);

// Source-over blend of `top` on an opaque `bottom`, as 0..255 channels.
QColor blend(const QColor& bottom, const QColor& top);

} // namespace mv::testing
