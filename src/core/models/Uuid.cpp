#include "core/models/Uuid.h"

#include <QRandomGenerator>

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
    // A random (version 4) identifier from the program's seeded generator. Qt's own draws on
    // the system generator, about a microsecond a call on this hardware, and a tidy plan makes
    // one per file; identifiers name things, they guard nothing.
    quint32 words[4];
    QRandomGenerator::global()->fillRange(words);
    const auto half = [](quint32 word, int shift) { return ushort(word >> shift); };
    const auto byte = [](quint32 word, int shift) { return uchar(word >> shift); };
    return QUuid(words[0], half(words[1], 16), ushort((half(words[1], 0) & 0x0fff) | 0x4000),
                 uchar((byte(words[2], 24) & 0x3f) | 0x80), byte(words[2], 16), byte(words[2], 8), byte(words[2], 0),
                 byte(words[3], 24), byte(words[3], 16), byte(words[3], 8), byte(words[3], 0));
}

} // namespace mv
