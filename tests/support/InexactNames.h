#pragma once

#include "core/models/SmartRuleModels.h"
#include "core/models/Uuid.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A folder "src" holding items whose names are not UTF-8 (as unpacked from an old archive),
// beside the files that a lossy reading of such a name would hit: "caf%E9" literally, and
// "caf\uFFFD" (what the bytes decode to), and one ordinary file. "dest" is an empty folder.
// Everything is made and read through the raw bytes of the names.
struct InexactNameTree {
    static inline const QByteArray percentDecoy = "caf%E9";
    static inline const QByteArray replacementDecoy = "caf\xEF\xBF\xBD";
    static inline const QByteArray ordinary = "notes.txt";

    QTemporaryDir dir;
    QByteArrayList inexact;
    bool foldersOnly = false;

    // QTemporaryDir removes by decoded names, which miss these.
    ~InexactNameTree()
    {
        std::error_code error;
        std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(dir.path()).toStdString()), error);
    }

    QString source() const { return dir.filePath(QStringLiteral("src")); }
    QString destination() const { return dir.filePath(QStringLiteral("dest")); }
    QByteArray rawSource() const { return QFile::encodeName(source()); }
    QByteArray rawDestination() const { return QFile::encodeName(destination()); }
    static QByteArrayList decoysAndOrdinary() { return {percentDecoy, replacementDecoy, ordinary}; }

    // Each inexact item holds its own name, so that a mix-up shows in the contents.
    bool build(const QByteArrayList& inexactNames, bool asFolders)
    {
        inexact = inexactNames;
        foldersOnly = asFolders;
        if (!dir.isValid() || ::mkdir(rawSource().constData(), 0755) != 0
            || ::mkdir(rawDestination().constData(), 0755) != 0)
            return false;
        for (const QByteArray& name : inexactNames) {
            const QByteArray path = rawSource() + '/' + name;
            if (asFolders) {
                if (::mkdir(path.constData(), 0755) != 0 || !write(path + "/inside.txt", name))
                    return false;
            } else if (!write(path, name)) {
                return false;
            }
        }
        return write(rawSource() + '/' + percentDecoy, "percent decoy")
               && write(rawSource() + '/' + replacementDecoy, "replacement decoy")
               && write(rawSource() + '/' + ordinary, "ordinary");
    }

    // Built from the current row of inexactNameRows.
    bool buildFromRow()
    {
        QFETCH(QByteArrayList, names);
        QFETCH(bool, folders);
        return build(names, folders);
    }

    // The shown names joined as a refusal names them.
    QString refusal() const
    {
        return QStringLiteral("文件名含有无法识别的字符，无法移动：") + shownNames().join(u'、');
    }

    // A rule that sends every file and folder to `destination`.
    static mv::SmartRule everythingRule(const QString& destination)
    {
        mv::SmartRule rule;
        rule.id = mv::newUuid();
        rule.name = QStringLiteral("全部");
        rule.symbolName = QStringLiteral("tray");
        rule.isEnabled = true;
        rule.priority = 10;
        rule.matchMode = mv::RuleMatchMode::any;
        rule.conditions = {
            mv::RuleCondition{mv::newUuid(), mv::RuleConditionField::isDirectory, QStringLiteral("true"), false},
            mv::RuleCondition{mv::newUuid(), mv::RuleConditionField::isDirectory, QStringLiteral("false"), false}};
        rule.targetDirectoryPath = destination;
        return rule;
    }

    static bool write(const QByteArray& path, const QByteArray& bytes)
    {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
        return ::close(fd) == 0 && written;
    }

    // What a folder holds, by raw name: the inode and contents of each item (a folder's contents
    // are those of what it holds, in the same form).
    struct Item {
        quint64 inode = 0;
        QByteArray contents;
        bool operator==(const Item&) const = default;
    };
    using Snapshot = QMap<QByteArray, Item>;

    static Snapshot snapshot(const QByteArray& folder)
    {
        Snapshot items;
        DIR* listing = ::opendir(folder.constData());
        if (!listing)
            return items;
        QByteArrayList names;
        while (const dirent* entry = ::readdir(listing)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names.append(name);
        }
        ::closedir(listing);
        for (const QByteArray& name : std::as_const(names)) {
            const QByteArray path = folder + '/' + name;
            struct stat st;
            if (::lstat(path.constData(), &st) != 0)
                continue;
            Item item{quint64(st.st_ino), QByteArray()};
            if (S_ISDIR(st.st_mode)) {
                const Snapshot inside = snapshot(path);
                for (auto it = inside.cbegin(); it != inside.cend(); ++it)
                    item.contents += it.key() + '=' + it.value().contents + ';';
            } else {
                const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
                char buffer[4096];
                ssize_t got = 0;
                while (fd >= 0 && (got = ::read(fd, buffer, sizeof buffer)) > 0)
                    item.contents.append(buffer, got);
                if (fd >= 0)
                    ::close(fd);
            }
            items.insert(name, item);
        }
        return items;
    }

    Snapshot sourceNow() const { return snapshot(rawSource()); }
    Snapshot destinationNow() const { return snapshot(rawDestination()); }

    // The part of `items` under these names.
    static Snapshot only(const Snapshot& items, const QByteArrayList& names)
    {
        Snapshot part;
        for (const QByteArray& name : names) {
            if (items.contains(name))
                part.insert(name, items.value(name));
        }
        return part;
    }

    // The names a listing shows for the inexact items.
    QStringList shownNames() const
    {
        QStringList names;
        for (const QByteArray& name : inexact)
            names.append(QFile::decodeName(name));
        return names;
    }
};

// The rows every test of these names runs over.
inline void inexactNameRows()
{
    QTest::addColumn<QByteArrayList>("names");
    QTest::addColumn<bool>("folders");
    QTest::newRow("one name") << QByteArrayList{"caf\xE9"} << false;
    QTest::newRow("two names differing in the bad byte") << QByteArrayList{"caf\xE9", "caf\xE8"} << false;
    QTest::newRow("a folder") << QByteArrayList{"caf\xE9"} << true;
    QTest::newRow("with an extension") << QByteArrayList{"r\xE9sum\xE9.pdf"} << false;
}
