#include "platform/ContentTypes.h"

#include <QHash>
#include <QSet>
#include <QtTest>

using namespace mv::platform;
using namespace Qt::StringLiterals;

class TestContentTypes final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tableIsConsistent();
    void extensionLookup_data();
    void extensionLookup();
    void conformance_data();
    void conformance();
    void identifierLookup();
};

// A parent that is misspelt or declared after its child would silently cut the conformance
// chain, so every parent must name an earlier row; identifiers and extensions are lower case.
void TestContentTypes::tableIsConsistent()
{
    QHash<QString, qsizetype> seen;
    const QList<ContentType>& types = allContentTypes();
    QVERIFY(types.size() > 50);
    for (qsizetype i = 0; i < types.size(); ++i) {
        const ContentType& type = types.at(i);
        QVERIFY2(!seen.contains(type.identifier), qPrintable(type.identifier));
        QCOMPARE(type.identifier, type.identifier.toLower());
        for (const QString& parent : type.parents)
            QVERIFY2(seen.contains(parent), qPrintable(type.identifier + u" -> "_s + parent));
        for (const QString& extension : type.extensions) {
            QCOMPARE(extension, extension.toLower());
            QVERIFY(!extension.startsWith(u'.'));
        }
        seen.insert(type.identifier, i);
    }
}

void TestContentTypes::extensionLookup_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("conformingTo");
    QTest::addColumn<QString>("expected"); // empty: no type

    // The extension decides, in any letter case; the type must conform to what is asked for
    // (data by default); an unknown extension, an empty one or an unknown requirement gives none.
    QTest::newRow("png") << u"png"_s << u"public.data"_s << u"public.png"_s;
    QTest::newRow("JPG upper") << u"JPG"_s << u"public.data"_s << u"public.jpeg"_s;
    QTest::newRow("jpeg") << u"jpeg"_s << u"public.image"_s << u"public.jpeg"_s;
    QTest::newRow("heic") << u"heic"_s << u"public.data"_s << u"public.heic"_s;
    QTest::newRow("webp") << u"webp"_s << u"public.data"_s << u"org.webmproject.webp"_s;
    QTest::newRow("tiff") << u"tif"_s << u"public.data"_s << u"public.tiff"_s;
    QTest::newRow("svg") << u"svg"_s << u"public.data"_s << u"public.svg-image"_s;
    QTest::newRow("mp4") << u"mp4"_s << u"public.data"_s << u"public.mpeg-4"_s;
    QTest::newRow("mkv") << u"mkv"_s << u"public.movie"_s << u"org.matroska.mkv"_s;
    QTest::newRow("flac") << u"flac"_s << u"public.data"_s << u"org.xiph.flac"_s;
    QTest::newRow("ogg") << u"ogg"_s << u"public.audio"_s << u"org.xiph.ogg-audio"_s;
    QTest::newRow("tgz") << u"tgz"_s << u"public.archive"_s << u"org.gnu.gnu-zip-tar-archive"_s;
    QTest::newRow("7z") << u"7z"_s << u"public.data"_s << u"org.7-zip.7-zip-archive"_s;
    QTest::newRow("ts is code") << u"ts"_s << u"public.data"_s << u"com.microsoft.typescript"_s;
    QTest::newRow("pdf") << u"pdf"_s << u"public.data"_s << u"com.adobe.pdf"_s;
    QTest::newRow("md") << u"md"_s << u"public.data"_s << u"net.daringfireball.markdown"_s;
    QTest::newRow("txt") << u"txt"_s << u"public.data"_s << u"public.plain-text"_s;
    QTest::newRow("wrong family") << u"png"_s << u"public.audio"_s << QString();
    QTest::newRow("app bundle is no data") << u"app"_s << u"public.data"_s << QString();
    QTest::newRow("app bundle as a folder") << u"app"_s << u"public.directory"_s
                                            << u"com.apple.application-bundle"_s;
    QTest::newRow("unknown extension") << u"xyz123"_s << u"public.data"_s << QString();
    QTest::newRow("empty extension") << QString() << u"public.data"_s << QString();
    QTest::newRow("unknown requirement") << u"png"_s << u"public.nonsense"_s << QString();
}

void TestContentTypes::extensionLookup()
{
    QFETCH(QString, extension);
    QFETCH(QString, conformingTo);
    QFETCH(QString, expected);
    const ContentType* type = contentTypeForExtension(extension, conformingTo);
    QCOMPARE(type ? type->identifier : QString(), expected);
}

void TestContentTypes::conformance_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("expected");

    // Conformance is reflexive for known types, follows parents transitively and through
    // every parent of a type with several; it never runs downwards or sideways, and an
    // unknown identifier conforms to nothing.
    QTest::newRow("itself") << u"public.png"_s << u"public.png"_s << true;
    QTest::newRow("png image") << u"public.png"_s << u"public.image"_s << true;
    QTest::newRow("png data") << u"public.png"_s << u"public.data"_s << true;
    QTest::newRow("png item") << u"public.png"_s << u"public.item"_s << true;
    QTest::newRow("png content") << u"public.png"_s << u"public.content"_s << true;
    QTest::newRow("image not png") << u"public.image"_s << u"public.png"_s << false;
    QTest::newRow("png not movie") << u"public.png"_s << u"public.movie"_s << false;
    QTest::newRow("mp4 movie") << u"public.mpeg-4"_s << u"public.movie"_s << true;
    QTest::newRow("mp4 not video") << u"public.mpeg-4"_s << u"public.video"_s << false;
    QTest::newRow("video movie") << u"public.video"_s << u"public.movie"_s << true;
    QTest::newRow("mp3 audio") << u"public.mp3"_s << u"public.audio"_s << true;
    QTest::newRow("audio not movie") << u"public.mp3"_s << u"public.movie"_s << false;
    QTest::newRow("python source") << u"public.python-script"_s << u"public.source-code"_s << true;
    QTest::newRow("python text") << u"public.python-script"_s << u"public.plain-text"_s << true;
    QTest::newRow("ipa archive") << u"com.apple.itunes.ipa"_s << u"public.archive"_s << true;
    QTest::newRow("pdf composite") << u"com.adobe.pdf"_s << u"public.composite-content"_s << true;
    QTest::newRow("pdf not text") << u"com.adobe.pdf"_s << u"public.text"_s << false;
    QTest::newRow("folder directory") << u"public.folder"_s << u"public.directory"_s << true;
    QTest::newRow("folder item") << u"public.folder"_s << u"public.item"_s << true;
    QTest::newRow("folder not data") << u"public.folder"_s << u"public.data"_s << false;
    QTest::newRow("bundle via package") << u"com.apple.application-bundle"_s
                                        << u"public.directory"_s << true;
    QTest::newRow("bundle executable") << u"com.apple.application-bundle"_s
                                       << u"public.executable"_s << true;
    QTest::newRow("letter case") << u"Public.PNG"_s << u"PUBLIC.IMAGE"_s << true;
    QTest::newRow("unknown type") << u"com.example.nothing"_s << u"public.item"_s << false;
    QTest::newRow("unknown itself") << u"com.example.nothing"_s << u"com.example.nothing"_s
                                    << false;
    QTest::newRow("unknown target") << u"public.png"_s << u"com.example.nothing"_s << false;
    QTest::newRow("empty") << QString() << QString() << false;
}

void TestContentTypes::conformance()
{
    QFETCH(QString, type);
    QFETCH(QString, to);
    QFETCH(bool, expected);
    QCOMPARE(conforms(type, to), expected);
}

// Every extension the portal's symbol table names as image, movie, audio, archive or code
// must reach that family here, or a type-based rule would disagree with the icon.
void TestContentTypes::identifierLookup()
{
    const ContentType* png = contentType(u"PUBLIC.png");
    QVERIFY(png);
    QCOMPARE(png->identifier, u"public.png"_s);
    QCOMPARE(png->parents, QStringList{u"public.image"_s});
    QCOMPARE(png->extensions, QStringList{u"png"_s});
    QVERIFY(!contentType(u"public.pngx"));
    QVERIFY(!contentType(u""));

    const QList<std::pair<QString, QStringList>> families = {
        {u"public.image"_s, {u"png"_s, u"jpg"_s, u"jpeg"_s, u"gif"_s, u"heic"_s, u"webp"_s,
                             u"tiff"_s, u"bmp"_s, u"svg"_s, u"raw"_s}},
        {u"public.movie"_s, {u"mp4"_s, u"mov"_s, u"mkv"_s, u"avi"_s, u"webm"_s}},
        {u"public.audio"_s, {u"mp3"_s, u"m4a"_s, u"wav"_s, u"flac"_s, u"aac"_s, u"ogg"_s}},
        {u"public.archive"_s, {u"zip"_s, u"tar"_s, u"gz"_s, u"tgz"_s, u"7z"_s, u"rar"_s,
                               u"bz2"_s, u"xz"_s, u"dmg"_s, u"pkg"_s, u"ipa"_s}},
        {u"public.source-code"_s, {u"c"_s, u"cpp"_s, u"h"_s, u"py"_s, u"swift"_s, u"js"_s,
                                   u"jsx"_s, u"ts"_s, u"tsx"_s, u"java"_s, u"rs"_s, u"go"_s,
                                   u"sh"_s, u"zsh"_s, u"rb"_s}},
        {u"public.plain-text"_s, {u"txt"_s, u"md"_s, u"markdown"_s}},
        {u"public.text"_s, {u"json"_s, u"yaml"_s, u"yml"_s, u"toml"_s, u"xml"_s, u"csv"_s}},
    };
    for (const auto& [family, extensions] : families) {
        for (const QString& extension : extensions) {
            const ContentType* type = contentTypeForExtension(extension);
            QVERIFY2(type, qPrintable(extension));
            QVERIFY2(conforms(type->identifier, family),
                     qPrintable(extension + u" -> "_s + type->identifier));
        }
    }
}

QTEST_GUILESS_MAIN(TestContentTypes)
#include "tst_contenttypes.moc"
