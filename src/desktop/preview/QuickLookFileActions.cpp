#include "desktop/preview/QuickLookFileActions.h"

#include <QDesktopServices>

namespace mv {

QuickLookFileActions QuickLookFileActions::system()
{
    return system(std::make_shared<platform::FileManagerRevealer>());
}

QuickLookFileActions QuickLookFileActions::system(std::shared_ptr<platform::FileRevealer> revealer)
{
    QuickLookFileActions actions;
    // Failures are silent, as for every platform file action.
    actions.openExternal = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    actions.revealInFileManager = [revealer = std::move(revealer)](const QUrl& url) {
        if (revealer)
            revealer->reveal(url);
    };
    return actions;
}

} // namespace mv
