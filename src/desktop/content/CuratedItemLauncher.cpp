#include "desktop/content/CuratedItemLauncher.h"

#include "core/engine/FilePaths.h"
#include "core/models/Paths.h"
#include "core/store/MorvanteelStore.h"

#include <QDesktopServices>
#include <QFile>
#include <QHash>
#include <QProcess>

#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace mv {

namespace {

// A desktop entry is a few kilobytes; anything far larger is no entry worth reading.
constexpr qint64 maximumEntrySize = 1 << 20;

bool isRegularFile(const QString& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(path.toStdString()), error) && !error;
}

bool isExecutableFile(const QString& path)
{
    return isRegularFile(path) && ::access(QFile::encodeName(path).constData(), X_OK) == 0;
}

// The escapes of a desktop entry string value: \s, \n, \t, \r and \\.
QString unescapeStringValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out.append(c);
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's': out.append(u' '); break;
        case 'n': out.append(u'\n'); break;
        case 't': out.append(u'\t'); break;
        case 'r': out.append(u'\r'); break;
        case '\\': out.append(u'\\'); break;
        default: out.append(c).append(next); break; // kept for the Exec quoting rules
        }
    }
    return out;
}

// The keys of the [Desktop Entry] group, untranslated ones only.
QHash<QString, QString> readDesktopEntryGroup(const QByteArray& bytes)
{
    QHash<QString, QString> keys;
    bool inGroup = false;
    for (const QByteArray& rawLine : bytes.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            // Only the first group counts; every other group belongs to actions and extensions.
            if (inGroup)
                break;
            inGroup = line == u"[Desktop Entry]";
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (!keys.contains(key))
            keys.insert(key, line.mid(equals + 1).trimmed());
    }
    return keys;
}

bool isReservedOutsideQuotes(QChar c)
{
    return QStringView(u"\t\n\"'\\><~|&;$*?#()`").contains(c);
}

} // namespace

std::optional<QStringList> splitDesktopExec(const QString& exec, const QString& name, const QString& icon,
                                            const QString& entryPath)
{
    // First the quoting: arguments split at spaces, double quotes around one argument, and
    // inside quotes a backslash before ", `, $ or \ stands for that character.
    struct Word {
        QString text;
        bool quoted = false;
    };
    QList<Word> words;
    std::optional<Word> word;
    bool inQuotes = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuotes) {
            if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\') {
                if (i + 1 == exec.size() || !QStringView(u"\"`$\\").contains(exec[i + 1]))
                    return std::nullopt;
                word->text.append(exec[++i]);
            } else {
                word->text.append(c);
            }
            continue;
        }
        if (c == u' ') {
            if (word)
                words.append(*std::exchange(word, std::nullopt));
            continue;
        }
        if (!word)
            word = Word();
        if (c == u'"') {
            inQuotes = true;
            word->quoted = true;
            continue;
        }
        // A shell would read these; started without one, the line cannot mean what it says.
        if (isReservedOutsideQuotes(c))
            return std::nullopt;
        word->text.append(c);
    }
    if (inQuotes)
        return std::nullopt;
    if (word)
        words.append(*word);

    // Then the field codes. Files and URLs are never passed: the item starts the program bare.
    QStringList arguments;
    for (const Word& w : std::as_const(words)) {
        if (!w.quoted && w.text == u"%i") {
            if (!icon.isEmpty())
                arguments << QStringLiteral("--icon") << icon;
            continue;
        }
        QString expanded;
        bool onlyDropped = true;
        for (qsizetype i = 0; i < w.text.size(); ++i) {
            const QChar c = w.text[i];
            if (c != u'%') {
                expanded.append(c);
                onlyDropped = false;
                continue;
            }
            if (i + 1 == w.text.size())
                return std::nullopt;
            const QChar code = w.text[++i];
            switch (code.unicode()) {
            case '%': expanded.append(u'%'); onlyDropped = false; break;
            case 'c': expanded.append(name); onlyDropped = false; break;
            case 'k': expanded.append(entryPath); onlyDropped = false; break;
            case 'f': case 'F': case 'u': case 'U': case 'i':
            case 'd': case 'D': case 'n': case 'N': case 'v': case 'm':
                break;
            default:
                return std::nullopt;
            }
        }
        if (!onlyDropped || w.text.isEmpty())
            arguments.append(expanded);
    }
    if (arguments.isEmpty() || arguments.first().isEmpty())
        return std::nullopt;
    return arguments;
}

std::optional<CuratedLaunch::StartProgram> desktopEntryCommand(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maximumEntrySize)
        return std::nullopt;
    const QHash<QString, QString> keys = readDesktopEntryGroup(file.read(maximumEntrySize));
    if (keys.value(QStringLiteral("Type")) != u"Application")
        return std::nullopt;
    if (keys.value(QStringLiteral("Terminal")) == u"true")
        return std::nullopt; // which terminal, and how it takes a command, is the desktop's business
    const std::optional<QStringList> arguments =
        splitDesktopExec(unescapeStringValue(keys.value(QStringLiteral("Exec"))),
                         unescapeStringValue(keys.value(QStringLiteral("Name"))),
                         unescapeStringValue(keys.value(QStringLiteral("Icon"))), path);
    if (!arguments)
        return std::nullopt;
    const QString program = arguments->first();
    // A bare name is looked up on PATH; a path must be whole, never read against our folder.
    if (program.contains(u'/') && !program.startsWith(u'/'))
        return std::nullopt;
    return CuratedLaunch::StartProgram{program, arguments->mid(1),
                                       unescapeStringValue(keys.value(QStringLiteral("Path")))};
}

CuratedLaunch::Step CuratedLaunch::plan(const FenceItem& item)
{
    const QUrl parsed(item.target, QUrl::StrictMode);
    if (parsed.isValid()) {
        if (const std::optional<MorvanteelDeepLink> link = MorvanteelDeepLink::fromURL(parsed))
            return OwnLink{*link};
        if (parsed.scheme().compare(MorvanteelDeepLink::scheme, Qt::CaseInsensitive) == 0)
            return OtherOwnLink{parsed};
    }
    const std::optional<QUrl> url = item.resolvedURL();
    if (!url)
        return Refused{notAPathOrURLStatus(item)};
    if (url->isLocalFile()) {
        // "file:notes.txt" is as relative as "notes.txt".
        if (url->host().isEmpty() && !url->path().startsWith(u'/'))
            return Refused{notAPathOrURLStatus(item)};
        if (const std::optional<QString> local = filepaths::localPath(*url); local && local->startsWith(u'/')) {
            const QString& path = *local;
            if (path.endsWith(QStringLiteral(".desktop")) && isRegularFile(path)) {
                if (std::optional<StartProgram> command = desktopEntryCommand(path))
                    return *command;
            } else if (item.kind == FenceItemKind::app && isExecutableFile(path)) {
                // Only an app item runs its file: a document may carry the executable bit
                // (every file on some removable drives does) and still wants its viewer.
                return StartProgram{path, {}, {}};
            }
        }
    }
    return OpenURL{*url};
}

QString CuratedLaunch::notAPathOrURLStatus(const FenceItem& item)
{
    if (item.target.trimmed().isEmpty()) {
        const QString title = item.title.trimmed();
        return title.isEmpty() ? QStringLiteral("无法打开快捷入口：没有填写路径或网址")
                               : QStringLiteral("无法打开“%1”：没有填写路径或网址").arg(title);
    }
    return QStringLiteral("无法打开“%1”：不是绝对路径或网址").arg(item.target);
}

QString CuratedLaunch::openFailedStatus(const FenceItem& item)
{
    return QStringLiteral("无法打开“%1”：系统找不到能打开它的应用").arg(item.target);
}

QString CuratedLaunch::startFailedStatus(const FenceItem& item, const StartProgram& start)
{
    // A desktop entry names its program; an executable is its own.
    const std::optional<QUrl> url = item.resolvedURL();
    if (url && url->isLocalFile() && url->toLocalFile() == start.program)
        return QStringLiteral("无法启动“%1”：程序不存在或无法运行").arg(item.target);
    return QStringLiteral("无法启动“%1”：找不到或无法运行“%2”").arg(item.target, start.program);
}

std::optional<FenceItem> fenceItem(const FenceModel& fence, const QUuid& itemID)
{
    for (const FenceTab& tab : fence.tabs) {
        for (const FenceItem& item : tab.items) {
            if (item.id == itemID)
                return item;
        }
    }
    return std::nullopt;
}

CuratedLaunchOutcome launchCuratedItem(const FenceItem& item, MorvanteelStore& store, const CuratedItemOpener& opener,
                                       const std::function<void(const QUrl&)>& followOwnLink)
{
    const CuratedLaunch::Step step = CuratedLaunch::plan(item);
    if (std::holds_alternative<CuratedLaunch::OwnLink>(step) || std::holds_alternative<CuratedLaunch::OtherOwnLink>(step)) {
        if (followOwnLink)
            followOwnLink(QUrl(item.target, QUrl::StrictMode));
        return CuratedLaunchOutcome::followedOwnLink;
    }
    if (const auto* refused = std::get_if<CuratedLaunch::Refused>(&step)) {
        store.setLastStatusMessage(refused->status);
        return CuratedLaunchOutcome::refused;
    }
    if (const auto* start = std::get_if<CuratedLaunch::StartProgram>(&step)) {
        if (opener.startProgram && !opener.startProgram(*start)) {
            store.setLastStatusMessage(CuratedLaunch::startFailedStatus(item, *start));
            return CuratedLaunchOutcome::failed;
        }
        return CuratedLaunchOutcome::started;
    }
    const QUrl& url = std::get<CuratedLaunch::OpenURL>(step).url;
    if (opener.openURL && !opener.openURL(url)) {
        store.setLastStatusMessage(CuratedLaunch::openFailedStatus(item));
        return CuratedLaunchOutcome::failed;
    }
    return CuratedLaunchOutcome::opened;
}

CuratedItemOpener CuratedItemOpener::desktop()
{
    return {
        [](const QUrl& url) { return QDesktopServices::openUrl(url); },
        [](const CuratedLaunch::StartProgram& start) {
            return QProcess::startDetached(start.program, start.arguments, start.workingDirectory);
        },
    };
}

} // namespace mv
