#pragma once

#include <QString>

namespace mv {

// The program's texts name keys and places of this desktop: "⌘" reads "Ctrl+", "⌥" reads
// "Alt+", "访达" (the other platform's file manager) reads "文件管理器" and "废纸篓" reads
// "回收站". Every text that names one of them goes through here, so the words live in one table.
QString withPlatformWords(const QString& text);

} // namespace mv
