#include "core/models/PlatformWords.h"

#include <array>
#include <utility>

namespace mv {

QString withPlatformWords(const QString& text)
{
    static const std::array<std::pair<QString, QString>, 4> words{{
        {QStringLiteral("⌘"), QStringLiteral("Ctrl+")},
        {QStringLiteral("⌥"), QStringLiteral("Alt+")},
        {QStringLiteral("访达"), QStringLiteral("文件管理器")},
        {QStringLiteral("废纸篓"), QStringLiteral("回收站")},
    }};
    QString result = text;
    for (const auto& [from, to] : words)
        result.replace(from, to);
    return result;
}

} // namespace mv
