#pragma once

#include <QString>

#include <optional>

class QFileDialog;

namespace mv {

// Runs `dialog` (made on the heap) and gives the one path chosen; none when cancelled, when more
// or less than one was chosen, or when the window that owns the dialog went while it ran its
// own loop, taking the dialog with it. The dialog is deleted here.
std::optional<QString> runSinglePathDialog(QFileDialog* dialog);

} // namespace mv
