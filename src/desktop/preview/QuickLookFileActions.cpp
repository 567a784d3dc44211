#include "desktop/preview/QuickLookFileActions.h"

#include "core/engine/FilePaths.h"
#include "desktop/preview/QuickLookPaths.h"

#include <QDesktopServices>

namespace mv {

QuickLookFileActions QuickLookFileActions::system()
{
    QuickLookFileActions actions;
    // Failures are silent, as for every platform file action.
    actions.openExternal = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    actions.revealInFileManager = [](const QUrl& url) {
        // FIXME: select the item through the file manager's ShowItems D-Bus call; opening the
        // folder that holds it is the fallback every desktop understands.
        if (const std::optional<QString> path = quicklook::previewablePath(url))
            QDesktopServices::openUrl(QUrl::fromLocalFile(filepaths::parentPath(*path)));
    };
    return actions;
}

} // namespace mv
