#pragma once

#include <QString>

namespace mv {

namespace GlassClipboardHelper {
// Clears the clipboard, then puts `text` on it as plain text. Nothing is reported.
void copyString(const QString& text);
} // namespace GlassClipboardHelper

} // namespace mv
