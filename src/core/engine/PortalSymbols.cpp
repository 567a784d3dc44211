#include "core/engine/PortalSymbols.h"

#include "core/engine/PortalNames.h"
#include "platform/ContentTypes.h"

#include <QHash>

#include <utility>

namespace mv::FolderPortalEngine {

namespace detail {

namespace {

namespace ids = platform::contentTypeId;

QString symbolForExtension(const QString& lowerExtension)
{
    static const QHash<QString, QString> table = [] {
        // The rows never share an extension.
        const std::pair<const char16_t*, const char16_t*> rows[] = {
            {u"photo.fill", u"png jpg jpeg heic webp gif tiff svg raw"},
            {u"doc.richtext.fill", u"pdf"},
            {u"doc.text.fill", u"md markdown txt rtf"},
            {u"doc.fill", u"doc docx pages"},
            {u"tablecells.fill", u"xls xlsx csv numbers"},
            {u"play.rectangle.fill", u"ppt pptx key"},
            {u"chevron.left.forwardslash.chevron.right",
             u"swift py ts tsx js jsx rs go c cpp h sh zsh"},
            {u"curlybraces", u"json yaml yml toml xml plist"},
            {u"archivebox.fill", u"zip tar gz 7z rar xz"},
            {u"shippingbox.fill", u"dmg pkg ipa app"},
            {u"film.fill", u"mp4 mov mkv avi webm"},
            {u"waveform", u"mp3 wav m4a flac aac"},
            {u"paintbrush.pointed.fill", u"fig sketch psd ai"},
        };
        QHash<QString, QString> built;
        for (const auto& [symbol, extensions] : rows) {
            const QString name = QString::fromUtf16(symbol);
            for (const QString& extension :
                 QString::fromUtf16(extensions).split(u' ', Qt::SkipEmptyParts))
                built.insert(extension, name);
        }
        return built;
    }();
    return table.value(lowerExtension);
}

} // namespace

QString symbolFor(const QString& lowerExtension, EntryKind kind,
                  const std::optional<QString>& utTypeID)
{
    if (kind == EntryKind::Folder) {
        return lowerExtension == u"app" ? QStringLiteral("app.badge.checkmark.fill")
                                        : QStringLiteral("folder.fill");
    }
    QString symbol = symbolForExtension(lowerExtension);
    if (!symbol.isEmpty())
        return symbol;
    if (utTypeID && platform::contentType(*utTypeID)) {
        const std::pair<QStringView, const char*> families[] = {
            {ids::image, "photo.fill"},
            {ids::movie, "film.fill"},
            {ids::video, "film.fill"},
            {ids::audio, "waveform"},
            {ids::archive, "archivebox.fill"},
            {ids::sourceCode, "chevron.left.forwardslash.chevron.right"},
            {ids::pdf, "doc.richtext.fill"},
        };
        for (const auto& [family, familySymbol] : families) {
            if (platform::conforms(*utTypeID, family))
                return QString::fromLatin1(familySymbol);
        }
    }
    return QStringLiteral("doc.fill");
}

std::optional<QString> typeForExtension(const QString& lowerExtension)
{
    if (const platform::ContentType* type = platform::contentTypeForExtension(lowerExtension))
        return type->identifier;
    return std::nullopt;
}

} // namespace detail

QString inferSymbol(QStringView pathOrName, EntryKind kind, const std::optional<QString>& utTypeID)
{
    return detail::symbolFor(pathExtension(pathOrName).toLower(), kind, utTypeID);
}

} // namespace mv::FolderPortalEngine
