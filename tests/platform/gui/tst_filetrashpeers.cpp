#include "platform/gui/FileTrash.h"
#include "support/PrivateSessionBus.h"
#include "support/TrashHome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <cstdio>

using namespace mv::platform;

namespace {

// gvfs's trash backend, which gio's trash commands talk to over the session bus.
const QStringList trashBackends = {QStringLiteral("/usr/libexec/gvfsd-trash"),
                                   QStringLiteral("/usr/lib/gvfs/gvfsd-trash")};

// Why glib's trash tools cannot run here; empty when they can.
QString missingPeers()
{
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")).isEmpty())
        return QStringLiteral("dbus-run-session is not installed (Debian package dbus-daemon)");
    if (QStandardPaths::findExecutable(QStringLiteral("gio")).isEmpty())
        return QStringLiteral("gio is not installed (Debian package libglib2.0-bin)");
    if (std::none_of(trashBackends.cbegin(), trashBackends.cend(),
                     [](const QString& path) { return QFileInfo::exists(path); }))
        return QStringLiteral("gvfs's trash backend gvfsd-trash is not installed (Debian packages gvfs, gvfs-daemons)");
    return {};
}

// glib prints byte-string attributes with bytes outside printable ASCII as "\xNN" and a
// backslash as "\\"; this reads them back.
QByteArray unescapeGlib(const QByteArray& text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            bytes += QByteArray::fromHex(text.mid(i + 2, 2));
            i += 3;
        } else if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            bytes += '\\';
            ++i;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// glib 2.74's "gio trash --restore" names the place it restores to by that escaped text, so a
// non-ASCII original comes back spelt with "\xNN": the spelling it lands at there.
QString glibEscapedSpelling(const QString& path)
{
    QByteArray text;
    for (const char c : QFile::encodeName(path)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f)
            text += "\\x" + QByteArray::number(byte, 16).rightJustified(2, '0');
        else
            text += c;
    }
    return QFile::decodeName(text);
}

// One line of "gio trash --list": the item's trash URI and where it came from.
struct ListedItem {
    QString uri;
    QByteArray nameInTrash;  // the URI's name, decoded to bytes
    QByteArray originalPath; // as bytes
};

} // namespace

class FileTrashPeersTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // glib lists what we trashed under its name in the trash with its original path, and
    // restores it there from its trash URI.
    void glibListsAndRestores_data() { TrashHome::addItemRows(); }

    void glibListsAndRestores()
    {
        TrashHome home;
        QVERIFY(home.isValid());
        const TrashHome::Item item = home.makeRowItem();
        QVERIFY(!item.path.isEmpty());
        const QString& path = item.path;

        FreedesktopTrash trash;
        const auto result = trash.moveToTrash(QUrl::fromLocalFile(path));
        QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error()));
        const QString nameInTrash = QFileInfo(result.value().pathInTrash).fileName();

        const QList<ListedItem> listed = listTrash();
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed.first().nameInTrash, QFile::encodeName(nameInTrash));
        QCOMPARE(listed.first().originalPath, QFile::encodeName(path));

        QVERIFY(runGio({QStringLiteral("trash"), QStringLiteral("--restore"), listed.first().uri}));
        QVERIFY(home.trashedNames().isEmpty());
        QVERIFY(home.trashInfo(nameInTrash).isEmpty());
        QCOMPARE(TrashHome::contentOf(restoredPlace(path) + item.contentPath.mid(path.size())), QByteArray("content"));
        QVERIFY(listTrash().isEmpty());
    }

    // Two items of one name trashed one after the other are listed apart with the same
    // original path; restoring the second brings back its content, the first stays.
    void sameNameTwice()
    {
        TrashHome home;
        QVERIFY(home.isValid());
        const QString path = home.work() + QStringLiteral("/draft.txt");
        FreedesktopTrash trash;
        QHash<QByteArray, QByteArray> contentByName;
        for (const QByteArray& content : {QByteArray("first"), QByteArray("second")}) {
            QVERIFY(TrashHome::writeFile(path, content));
            const auto result = trash.moveToTrash(QUrl::fromLocalFile(path));
            QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error()));
            contentByName.insert(QFile::encodeName(QFileInfo(result.value().pathInTrash).fileName()), content);
        }

        const QList<ListedItem> listed = listTrash();
        QCOMPARE(listed.size(), 2);
        QCOMPARE(QSet<QByteArray>({listed[0].nameInTrash, listed[1].nameInTrash}),
                 QSet<QByteArray>(contentByName.keyBegin(), contentByName.keyEnd()));
        for (const ListedItem& item : listed)
            QCOMPARE(item.originalPath, QFile::encodeName(path));

        const ListedItem second = contentByName.value(listed[0].nameInTrash) == "second" ? listed[0] : listed[1];
        QVERIFY(runGio({QStringLiteral("trash"), QStringLiteral("--restore"), second.uri}));
        QCOMPARE(TrashHome::contentOf(path), QByteArray("second"));
        const QList<ListedItem> left = listTrash();
        QCOMPARE(left.size(), 1);
        QCOMPARE(contentByName.value(left.first().nameInTrash), QByteArray("first"));
    }

private:
    // Runs gio with `arguments` on a session bus of its own, in this test's home; its output
    // is kept in m_output.
    bool runGio(const QStringList& arguments)
    {
        QProcess gio;
        gio.setProgram(QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")));
        gio.setArguments(QStringList{QStringLiteral("--"), QStandardPaths::findExecutable(QStringLiteral("gio"))}
                         + arguments);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        gio.setProcessEnvironment(environment);
        gio.setWorkingDirectory(QDir::homePath());
        gio.start();
        if (!gio.waitForFinished(30'000)) {
            gio.kill();
            gio.waitForFinished();
            qWarning("gio %s did not finish", qPrintable(arguments.join(u' ')));
            return false;
        }
        m_output = gio.readAllStandardOutput();
        if (gio.exitStatus() != QProcess::NormalExit || gio.exitCode() != 0) {
            qWarning("gio %s failed: %s", qPrintable(arguments.join(u' ')), gio.readAllStandardError().constData());
            return false;
        }
        return true;
    }

    QList<ListedItem> listTrash()
    {
        QList<ListedItem> items;
        if (!runGio({QStringLiteral("trash"), QStringLiteral("--list")})) {
            items.append(ListedItem{QStringLiteral("<gio failed>"), {}, {}});
            return items;
        }
        const QByteArray prefix = "trash:///";
        for (const QByteArray& line : m_output.split('\n')) {
            if (line.isEmpty())
                continue;
            const qsizetype tab = line.indexOf('\t');
            const QByteArray uri = line.left(tab);
            ListedItem item{QString::fromUtf8(uri), {}, tab < 0 ? QByteArray() : unescapeGlib(line.mid(tab + 1))};
            if (uri.startsWith(prefix))
                item.nameInTrash = QByteArray::fromPercentEncoding(uri.mid(prefix.size()));
            items.append(item);
        }
        return items;
    }

    // Where gio restored `path` to: the path itself, or glib 2.74's escaped spelling of it.
    static QString restoredPlace(const QString& path)
    {
        if (QFileInfo::exists(path))
            return path;
        const QString escaped = glibEscapedSpelling(path);
        if (QFileInfo::exists(escaped))
            qInfo("gio restored %s as %s", qPrintable(path), qPrintable(escaped));
        return escaped;
    }

    QByteArray m_output;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (const QString missing = missingPeers(); !missing.isEmpty()) {
        std::printf("skipped: %s\n", qPrintable(missing));
        return PrivateSessionBus::skipExitCode;
    }
    FileTrashPeersTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filetrashpeers.moc"
