#include "core/models/Uuid.h"

namespace mv {

namespace {

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

} // namespace

std::optional<QUuid> parseUuid(QStringView text)
{
    if (text.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool hyphenPosition = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphenPosition ? text[i] != u'-' : !isHexDigit(text[i]))
            return std::nullopt;
    }
    // The text is now known to be well formed, so Qt's parser cannot misread it.
    return QUuid::fromString(text);
}

QString uuidString(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QUuid newUuid()
{
    return QUuid::createUuid();
}

} // namespace mv
