#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace mv::platform {

// Uniform content types: reverse-DNS identifiers ("public.png") arranged in a conformance
// graph ("public.png" conforms to "public.image", which conforms to "public.data" and
// "public.content", ...). Linux has no such registry, and shared-mime-info does not fit (it
// gives many source files no parent and image/png no "image" parent), so this is our own
// small table. Types are guessed from the file extension only; file contents are never read.
struct ContentType final {
    QString identifier;     // lower case
    QStringList parents;    // the types it conforms to directly
    QStringList extensions; // lower case, without the dot, the preferred one first
};

// The identifiers other code names; the table holds many more.
namespace contentTypeId {
inline constexpr QStringView item = u"public.item";
inline constexpr QStringView content = u"public.content";
inline constexpr QStringView data = u"public.data";
inline constexpr QStringView directory = u"public.directory";
inline constexpr QStringView folder = u"public.folder";
inline constexpr QStringView symlink = u"public.symlink";
inline constexpr QStringView text = u"public.text";
inline constexpr QStringView plainText = u"public.plain-text";
inline constexpr QStringView sourceCode = u"public.source-code";
inline constexpr QStringView json = u"public.json";
inline constexpr QStringView image = u"public.image";
inline constexpr QStringView png = u"public.png";
inline constexpr QStringView jpeg = u"public.jpeg";
inline constexpr QStringView audiovisualContent = u"public.audiovisual-content";
inline constexpr QStringView movie = u"public.movie";
inline constexpr QStringView video = u"public.video";
inline constexpr QStringView audio = u"public.audio";
inline constexpr QStringView archive = u"public.archive";
inline constexpr QStringView pdf = u"com.adobe.pdf";
} // namespace contentTypeId

// The type with this identifier, or null when the table has none. Identifiers compare
// without regard to ASCII letter case, as uniform type identifiers do.
[[nodiscard]] const ContentType* contentType(QStringView identifier);

// The first type in table order that lists `extension` (any letter case, without the dot)
// and conforms to `conformingTo`; null when there is none, when `extension` is empty, or when
// `conformingTo` names no known type.
[[nodiscard]] const ContentType* contentTypeForExtension(
    QStringView extension, QStringView conformingTo = contentTypeId::data);

// Whether the type `identifier` is `to` or reaches it through its parents. False when either
// identifier names no known type (an unknown type conforms to nothing, not even itself).
[[nodiscard]] bool conforms(QStringView identifier, QStringView to);

// Every type of the table, in table order.
[[nodiscard]] const QList<ContentType>& allContentTypes();

} // namespace mv::platform
