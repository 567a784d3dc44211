#pragma once

#include "core/engine/PortalScan.h"

#include <QString>

#include <optional>

// The symbol and content type a portal entry is shown with, chosen from its name.
namespace mv::FolderPortalEngine::detail {

// By the lower-case extension first, then by what `utTypeID` conforms to, else "doc.fill".
QString symbolFor(const QString& lowerExtension, EntryKind kind, const std::optional<QString>& utTypeID);
// The content type that the lower-case extension declares; none when it declares none.
std::optional<QString> typeForExtension(const QString& lowerExtension);

} // namespace mv::FolderPortalEngine::detail
