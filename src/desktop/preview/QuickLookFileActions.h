#pragma once

#include <QUrl>

#include <functional>

namespace mv {

// What the header's buttons do with the file. Injected, so that a test never starts a program.
struct QuickLookFileActions {
    std::function<void(const QUrl&)> openExternal;       // with its default program
    std::function<void(const QUrl&)> revealInFileManager; // show it in the file manager

    // The desktop's: open through the desktop's URL handler; reveal by opening the folder
    // that holds the item.
    static QuickLookFileActions system();
};

} // namespace mv
