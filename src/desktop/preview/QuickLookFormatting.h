#pragma once

#include "core/engine/PortalScan.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The words the preview's summary uses for an item's facts.
namespace mv::quicklook {

// The kind of an item in words, from its content type, as a file manager names it ("PNG 图像",
// "文件夹").
[[nodiscard]] QString kindText(const QString& name, FolderPortalEngine::EntryKind kind,
                               const std::optional<QString>& type);
// A size as the portal tiles show it ("2 KB").
[[nodiscard]] QString formattedSize(qint64 bytes);
// A date and time in local time ("2026年3月4日 05:06").
[[nodiscard]] QString formattedDate(const QDateTime& date);

} // namespace mv::quicklook
