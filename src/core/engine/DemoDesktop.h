#pragma once

#include <QUrl>

namespace mv::FolderPortalEngine {

// Fills `folder` once with the demo desktop: five subfolders and eleven sample files, then
// the marker file ".morvanteel-seeded" (containing "seeded"). While the marker exists nothing
// is examined or written; without it only what is missing is created. An existing file is
// never overwritten, not even one that appears while the population runs. Every file-system
// failure is swallowed: the portals bound to a missing folder show that state themselves.
void populateDemoDesktopIfNeeded(const QUrl& folder);

} // namespace mv::FolderPortalEngine
