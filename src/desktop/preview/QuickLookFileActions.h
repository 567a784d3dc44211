#pragma once

#include "platform/gui/FileRevealer.h"

#include <QUrl>

#include <functional>
#include <memory>

namespace mv {

// What the header's buttons do with the file. Injected, so that a test never starts a program.
struct QuickLookFileActions {
    std::function<void(const QUrl&)> openExternal;       // with its default program
    std::function<void(const QUrl&)> revealInFileManager; // show it in the file manager

    // The desktop's: open through the desktop's URL handler; reveal through `revealer`, the one
    // the portal entries' menu uses too (by default the file manager on the session bus).
    static QuickLookFileActions system();
    static QuickLookFileActions system(std::shared_ptr<platform::FileRevealer> revealer);
};

} // namespace mv
