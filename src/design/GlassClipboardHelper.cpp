#include "design/GlassClipboardHelper.h"

#include <QClipboard>
#include <QGuiApplication>

namespace mv {

namespace GlassClipboardHelper {

void copyString(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    clipboard->clear();
    clipboard->setText(text);
}

} // namespace GlassClipboardHelper

} // namespace mv
