#include "platform/ContentTypes.h"

#include <QHash>
#include <QSet>


namespace mv::platform {

namespace {

// Parents and extensions are lists separated by blanks.
struct Row {
    const char16_t* identifier;
    const char16_t* parents;
    const char16_t* extensions;
};

struct Table {
    QList<ContentType> types;
    QHash<QString, qsizetype> byIdentifier;
    QHash<QString, QList<qsizetype>> byExtension;
    // Every type each type conforms to, itself included, by index.
    QList<QSet<qsizetype>> ancestors;
};

const Table& table()
{
    static const Table built = [] {
        // Parents always appear before their children, so the table can be checked in one pass.
        // An extension claimed by two types resolves to the earlier row that conforms to what the
        // caller asks for.
        // clang-format off
        const Row rows[] = {
            // Roots and the physical hierarchy.
            {u"public.item", u"", u""},
            {u"public.content", u"", u""},
            {u"public.composite-content", u"public.content", u""},
            {u"public.data", u"public.item", u""},
            {u"public.directory", u"public.item", u""},
            {u"public.folder", u"public.directory", u""},
            {u"public.volume", u"public.folder", u""},
            {u"public.symlink", u"public.item", u""},
            {u"public.executable", u"public.item", u""},
            {u"com.apple.package", u"public.directory", u""},
            {u"com.apple.bundle", u"public.directory", u""},
            {u"com.apple.application", u"public.executable", u""},
            {u"com.apple.application-bundle",
             u"com.apple.application com.apple.bundle com.apple.package",
             u"app"},

            // Text.
            {u"public.text", u"public.data public.content", u""},
            {u"public.plain-text", u"public.text", u"txt text"},
            {u"public.utf8-plain-text", u"public.plain-text", u""},
            {u"net.daringfireball.markdown", u"public.plain-text", u"md markdown mdown"},
            {u"com.apple.log", u"public.plain-text", u"log"},
            {u"public.rtf", u"public.text", u"rtf"},
            {u"public.html", u"public.text", u"html htm"},
            {u"public.css", u"public.text", u"css"},
            {u"public.xml", u"public.text", u"xml"},
            {u"public.json", u"public.text", u"json"},
            {u"public.yaml", u"public.text", u"yaml yml"},
            {u"io.toml.toml", u"public.text", u"toml"},
            {u"com.apple.property-list", u"public.data", u"plist"},
            {u"public.delimited-values-text", u"public.text", u""},
            {u"public.comma-separated-values-text", u"public.delimited-values-text", u"csv"},
            {u"public.tab-separated-values-text", u"public.delimited-values-text", u"tsv"},

            // Source code.
            {u"public.source-code", u"public.plain-text", u""},
            {u"public.script", u"public.source-code", u""},
            {u"public.shell-script", u"public.script", u"sh command"},
            {u"public.bash-script", u"public.shell-script", u"bash"},
            {u"public.zsh-script", u"public.shell-script", u"zsh"},
            {u"public.csh-script", u"public.shell-script", u"csh"},
            {u"public.python-script", u"public.script", u"py pyw"},
            {u"public.ruby-script", u"public.script", u"rb"},
            {u"public.perl-script", u"public.script", u"pl pm"},
            {u"public.php-script", u"public.script", u"php"},
            {u"com.netscape.javascript-source", u"public.script", u"js mjs cjs jsx"},
            {u"com.microsoft.typescript", u"public.source-code", u"ts mts cts tsx"},
            {u"public.c-source", u"public.source-code", u"c"},
            {u"public.c-header", u"public.source-code", u"h"},
            {u"public.c-plus-plus-source", u"public.source-code", u"cpp cc cxx c++"},
            {u"public.c-plus-plus-header", u"public.source-code", u"hpp hh hxx h++"},
            {u"public.objective-c-source", u"public.source-code", u"m"},
            {u"public.objective-c-plus-plus-source", u"public.source-code", u"mm"},
            {u"public.swift-source", u"public.source-code", u"swift"},
            {u"com.sun.java-source", u"public.source-code", u"java"},
            {u"org.kotlinlang.kotlin-source", u"public.source-code", u"kt kts"},
            {u"org.rust-lang.rust-source", u"public.source-code", u"rs"},
            {u"org.golang.go-source", u"public.source-code", u"go"},
            {u"com.microsoft.c-sharp-source", u"public.source-code", u"cs"},
            {u"org.lua.lua-source", u"public.source-code", u"lua"},
            {u"org.iso.sql", u"public.source-code", u"sql"},
            {u"public.make-source", u"public.source-code", u"mk"},
            {u"org.cmake.cmake-source", u"public.source-code", u"cmake"},

            // Documents.
            {u"com.adobe.pdf", u"public.data public.composite-content", u"pdf"},
            {u"org.idpf.epub-container", u"public.data public.composite-content", u"epub"},
            {u"public.spreadsheet", u"public.content", u""},
            {u"public.presentation", u"public.composite-content", u""},
            {u"com.microsoft.word.doc", u"public.data public.composite-content", u"doc"},
            {u"org.openxmlformats.wordprocessingml.document",
             u"public.data public.composite-content", u"docx"},
            {u"org.oasis-open.opendocument.text", u"public.data public.composite-content", u"odt"},
            {u"com.apple.iwork.pages.sffpages", u"public.data public.composite-content", u"pages"},
            {u"com.microsoft.excel.xls", u"public.data public.spreadsheet", u"xls"},
            {u"org.openxmlformats.spreadsheetml.sheet", u"public.data public.spreadsheet", u"xlsx"},
            {u"org.oasis-open.opendocument.spreadsheet", u"public.data public.spreadsheet", u"ods"},
            {u"com.apple.iwork.numbers.sffnumbers", u"public.data public.spreadsheet", u"numbers"},
            {u"com.microsoft.powerpoint.ppt", u"public.data public.presentation", u"ppt"},
            {u"org.openxmlformats.presentationml.presentation", u"public.data public.presentation",
             u"pptx"},
            {u"org.oasis-open.opendocument.presentation", u"public.data public.presentation",
             u"odp"},
            {u"com.apple.iwork.keynote.sffkey", u"public.data public.presentation", u"key"},

            // Images.
            {u"public.image", u"public.data public.content", u""},
            {u"public.png", u"public.image", u"png"},
            {u"public.jpeg", u"public.image", u"jpg jpeg jpe"},
            {u"com.compuserve.gif", u"public.image", u"gif"},
            {u"public.heic", u"public.image", u"heic"},
            {u"public.heif", u"public.image", u"heif"},
            {u"public.avif", u"public.image", u"avif"},
            {u"org.webmproject.webp", u"public.image", u"webp"},
            {u"public.tiff", u"public.image", u"tiff tif"},
            {u"com.microsoft.bmp", u"public.image", u"bmp"},
            {u"com.microsoft.ico", u"public.image", u"ico"},
            {u"public.svg-image", u"public.image", u"svg svgz"},
            {u"public.camera-raw-image", u"public.image", u"raw dng cr2 cr3 nef arw orf rw2 raf"},
            {u"com.adobe.photoshop-image", u"public.image", u"psd"},
            {u"com.adobe.illustrator.ai-image", u"public.image", u"ai"},
            {u"org.gimp.xcf", u"public.image", u"xcf"},
            {u"com.figma.document", u"public.data public.content", u"fig"},
            {u"com.bohemiancoding.sketch.drawing", u"public.data public.content", u"sketch"},

            // Audio and video.
            {u"public.audiovisual-content", u"public.data public.content", u""},
            {u"public.movie", u"public.audiovisual-content", u""},
            {u"public.video", u"public.movie", u""},
            {u"public.audio", u"public.audiovisual-content", u""},
            {u"public.mpeg-4", u"public.movie", u"mp4 mpeg4"},
            {u"com.apple.m4v-video", u"public.movie", u"m4v"},
            {u"com.apple.quicktime-movie", u"public.movie", u"mov qt"},
            {u"org.matroska.mkv", u"public.movie", u"mkv"},
            {u"public.avi", u"public.movie", u"avi"},
            {u"org.webmproject.webm", u"public.movie", u"webm"},
            {u"public.mpeg", u"public.movie", u"mpg mpeg"},
            {u"public.mpeg-2-transport-stream", u"public.movie", u"m2ts mts"},
            {u"com.microsoft.windows-media-wmv", u"public.movie", u"wmv"},
            {u"com.adobe.flash.video", u"public.movie", u"flv"},
            {u"public.3gpp", u"public.movie", u"3gp"},
            {u"org.xiph.ogv", u"public.movie", u"ogv"},
            {u"public.mp3", u"public.audio", u"mp3"},
            {u"public.mpeg-4-audio", u"public.audio", u"m4a"},
            {u"public.aac-audio", u"public.audio", u"aac"},
            {u"com.microsoft.waveform-audio", u"public.audio", u"wav wave"},
            {u"org.xiph.flac", u"public.audio", u"flac"},
            {u"org.xiph.ogg-audio", u"public.audio", u"ogg oga"},
            {u"org.xiph.opus", u"public.audio", u"opus"},
            {u"public.aiff-audio", u"public.audio", u"aiff aif"},
            {u"com.microsoft.windows-media-wma", u"public.audio", u"wma"},
            {u"public.midi-audio", u"public.audio", u"mid midi"},

            // Archives and disk images.
            {u"public.archive", u"public.data", u""},
            {u"public.zip-archive", u"public.archive", u"zip"},
            {u"public.tar-archive", u"public.archive", u"tar"},
            {u"org.gnu.gnu-zip-archive", u"public.archive", u"gz gzip"},
            {u"org.gnu.gnu-zip-tar-archive", u"public.archive", u"tgz"},
            {u"public.bzip2-archive", u"public.archive", u"bz2 bzip2 tbz2"},
            {u"org.tukaani.xz-archive", u"public.archive", u"xz txz"},
            {u"org.tukaani.lzma-archive", u"public.archive", u"lzma"},
            {u"com.facebook.zstandard-archive", u"public.archive", u"zst"},
            {u"org.7-zip.7-zip-archive", u"public.archive", u"7z"},
            {u"com.rarlab.rar-archive", u"public.archive", u"rar"},
            {u"public.disk-image", u"public.archive", u""},
            {u"com.apple.disk-image-udif", u"public.disk-image", u"dmg"},
            {u"public.iso-image", u"public.disk-image", u"iso"},
            {u"com.apple.installer-package-archive", u"public.archive", u"pkg"},
            {u"com.apple.itunes.ipa", u"public.zip-archive", u"ipa"},
            {u"org.debian.deb-archive", u"public.archive", u"deb"},
            {u"com.redhat.rpm-archive", u"public.archive", u"rpm"},
            {u"com.java.jar-archive", u"public.zip-archive", u"jar"},

            // Fonts and other data.
            {u"public.font", u"public.data public.content", u""},
            {u"public.truetype-ttf-font", u"public.font", u"ttf"},
            {u"public.opentype-font", u"public.font", u"otf"},
            {u"org.w3.woff", u"public.font", u"woff woff2"},
            {u"public.database", u"public.data", u"db sqlite sqlite3"},
            {u"public.calendar-event", u"public.data public.content", u"ics"},
            {u"public.vcard", u"public.data public.content", u"vcf"},
        };
        // clang-format on

        Table t;
        for (const Row& row : rows) {
            ContentType type;
            type.identifier = QString::fromUtf16(row.identifier);
            QSet<qsizetype> ancestors;
            const qsizetype index = t.types.size();
            ancestors.insert(index);
            type.parents = QString::fromUtf16(row.parents).split(u' ', Qt::SkipEmptyParts);
            for (const QString& parent : std::as_const(type.parents)) {
                // Parents precede children; a parent missing here is a fault in the table,
                // caught by the table's own test.
                const auto found = t.byIdentifier.constFind(parent);
                if (found != t.byIdentifier.cend())
                    ancestors.unite(t.ancestors.at(*found));
            }
            type.extensions =
                QString::fromUtf16(row.extensions).split(u' ', Qt::SkipEmptyParts);
            for (const QString& extension : std::as_const(type.extensions))
                t.byExtension[extension].append(index);
            t.byIdentifier.insert(type.identifier, index);
            t.types.append(type);
            t.ancestors.append(ancestors);
        }
        return t;
    }();
    return built;
}

qsizetype indexOfIdentifier(QStringView identifier)
{
    const Table& t = table();
    const auto found = t.byIdentifier.constFind(identifier.toString().toLower());
    return found == t.byIdentifier.cend() ? -1 : *found;
}

} // namespace

const ContentType* contentType(QStringView identifier)
{
    const qsizetype index = indexOfIdentifier(identifier);
    return index < 0 ? nullptr : &table().types.at(index);
}

const ContentType* contentTypeForExtension(QStringView extension, QStringView conformingTo)
{
    if (extension.isEmpty())
        return nullptr;
    const qsizetype required = indexOfIdentifier(conformingTo);
    if (required < 0)
        return nullptr;
    const Table& t = table();
    const auto found = t.byExtension.constFind(extension.toString().toLower());
    if (found == t.byExtension.cend())
        return nullptr;
    for (qsizetype index : *found) {
        if (t.ancestors.at(index).contains(required))
            return &t.types.at(index);
    }
    return nullptr;
}

bool conforms(QStringView identifier, QStringView to)
{
    const qsizetype type = indexOfIdentifier(identifier);
    if (type < 0)
        return false;
    const qsizetype target = indexOfIdentifier(to);
    return target >= 0 && table().ancestors.at(type).contains(target);
}

const QList<ContentType>& allContentTypes()
{
    return table().types;
}

} // namespace mv::platform
