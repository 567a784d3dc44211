#include "platform/gui/support/PrivateSessionBus.h"
#include "support/PrivateHome.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>


using namespace Qt::StringLiterals;

// The program as the desktop reaches it: the built program runs on the offscreen platform in a
// home of the test's own with a private session bus; its desktop entry is installed there by
// the project's installer; `gapplication` and the entry's own Exec lines ask it for things, and
// the state file shows what it did.
namespace {

const QString busName = u"org.morvanteel.Morvanteel"_s;

QString sourceRoot()
{
    return QDir::cleanPath(QStringLiteral(MORVANTEEL_TEST_DATA) + u"/../../../.."_s);
}

// The words of a desktop entry's Exec value: split at spaces outside double quotes, escapes
// undone, field codes dropped.
QStringList execWords(const QString& value)
{
    QStringList words;
    QString word;
    bool quoted = false;
    bool inWord = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (quoted && c == u'\\' && i + 1 < value.size()) {
            word += value[++i];
        } else if (c == u'"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == u' ' && !quoted) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    words.removeIf([](const QString& w) { return w.size() == 2 && w.startsWith(u'%'); });
    return words;
}

} // namespace

class ApplicationBusTest final : public QObject {
    Q_OBJECT

    PrivateSessionBus m_bus;
    QTemporaryDir m_home;
    QProcessEnvironment m_environment;
    QProcess m_program;
    QByteArray m_programErrors;
    QString m_entry;

    QString programPath() const { return QStringLiteral(MORVANTEEL_BUILD_DIR) + u"/app/morvanteel"_s; }
    // Where the installer put its copy for the test's user.
    QString installedProgramPath() const { return m_home.filePath(u".local/bin/morvanteel"_s); }
    QString statePath() const { return m_home.filePath(u".local/share/Morvanteel/state.json"_s); }

    QJsonObject state() const
    {
        QFile file(statePath());
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
    }
    QString activeWorkspace() const { return state().value(u"activeWorkspaceID").toString(); }
    QStringList workspaceIDs() const
    {
        QStringList ids;
        for (const QJsonValue& workspace : state().value(u"workspaces").toArray())
            ids.append(workspace.toObject().value(u"id").toString());
        return ids;
    }
    QString workspaceName(const QString& id) const
    {
        for (const QJsonValue& workspace : state().value(u"workspaces").toArray()) {
            if (workspace.toObject().value(u"id").toString() == id)
                return workspace.toObject().value(u"name").toString();
        }
        return {};
    }
    // The reports the program has printed so far.
    QStringList reports()
    {
        m_programErrors += m_program.readAllStandardError();
        QStringList lines;
        for (const QByteArray& line : m_programErrors.split('\n')) {
            if (line.startsWith("morvanteel: "))
                lines.append(QString::fromUtf8(line.mid(12)));
        }
        return lines;
    }

    // Runs a program in the test's home and bus (runWhileServing).
    int run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr,
            QByteArray* errors = nullptr)
    {
        return runWhileServing(m_environment, program, arguments, output, errors);
    }

    int gapplication(const QStringList& arguments, QByteArray* output = nullptr)
    {
        return run(u"gapplication"_s, arguments, output);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (const QString tool = firstMissingProgram({u"gapplication"_s, u"desktop-file-validate"_s, u"bash"_s}); !tool.isEmpty())
            QSKIP(qPrintable(tool + u" is not installed (Debian packages libglib2.0-bin, desktop-file-utils)"_s));
        if (!QFileInfo(programPath()).isExecutable())
            QSKIP(qPrintable(u"the program is not built at "_s + programPath()));
        if (const QString why = m_bus.start(); !why.isEmpty())
            QSKIP(qPrintable(u"no private session bus: "_s + why));
        QVERIFY(m_home.isValid());

        m_environment = privateHomeEnvironment(m_home.path(), m_bus.address());
        QVERIFY(!m_environment.isEmpty());
        m_environment.remove(u"DISPLAY"_s);
        m_environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);

        QByteArray installed;
        QCOMPARE(run(u"bash"_s, {sourceRoot() + u"/scripts/install-desktop-entry"_s, programPath()}, &installed), 0);
        m_entry = m_home.filePath(u".local/share/applications/org.morvanteel.Morvanteel.desktop"_s);
        QVERIFY2(QFileInfo::exists(m_entry), installed.constData());
        QVERIFY2(QFileInfo(installedProgramPath()).isExecutable(), installed.constData());

        m_program.setProcessEnvironment(m_environment);
        m_program.start(programPath(), {});
        QDBusConnection bus = QDBusConnection::connectToBus(m_bus.address(), u"test"_s);
        QVERIFY(bus.isConnected());
        QTRY_VERIFY_WITH_TIMEOUT(bus.interface()->isServiceRegistered(busName), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(workspaceIDs().size() >= 3, 10000);
    }

    void cleanupTestCase()
    {
        endProgram(m_program);
        QDBusConnection::disconnectFromBus(u"test"_s);
    }

    void installedEntryIsValidWithItsActions()
    {
        QByteArray output;
        QCOMPARE(run(u"desktop-file-validate"_s, {m_entry}, &output), 0);
        QVERIFY2(output.trimmed().isEmpty(), output.constData());
        QByteArray actions;
        QCOMPARE(gapplication({u"list-actions"_s, busName}, &actions), 0);
        QStringList names = QString::fromUtf8(actions).split(u'\n', Qt::SkipEmptyParts);
        names.sort();
        QCOMPARE(names, (QStringList{u"open-spot-search"_s, u"run-smart-tidy"_s, u"switch-workspace"_s}));
    }

    // Named, the workspace becomes active in the state file; unnamed, the next one; an id
    // that names none changes nothing and is not reported as a switch.
    void switchWorkspaceOverTheBus()
    {
        const QStringList ids = workspaceIDs();
        const QString third = ids[2];
        QCOMPARE(gapplication({u"action"_s, busName, u"switch-workspace"_s, u"'"_s + third + u"'"_s}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(activeWorkspace(), third, 10000);
        QTRY_VERIFY(reports().contains(u"已切换到工作区「%1」。"_s.arg(workspaceName(third))));

        QCOMPARE(gapplication({u"action"_s, busName, u"switch-workspace"_s}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(activeWorkspace(), ids[0], 10000);
        QTRY_VERIFY(reports().contains(u"已切换到工作区「%1」。"_s.arg(workspaceName(ids[0]))));

        const int switches = int(reports().filter(u"已切换"_s).size());
        const QString unknown = u"44444444-4444-4444-8444-444444444444"_s;
        QCOMPARE(gapplication({u"action"_s, busName, u"switch-workspace"_s, u"'"_s + unknown + u"'"_s}), 0);
        QTRY_VERIFY(reports().contains(u"没有找到工作区 %1，未切换工作区。"_s.arg(unknown)));
        QCOMPARE(activeWorkspace(), ids[0]);
        QCOMPARE(reports().filter(u"已切换"_s).size(), switches);
    }

    void parameterlessActionsOverTheBus()
    {
        QCOMPARE(gapplication({u"action"_s, busName, u"run-smart-tidy"_s}), 0);
        QTRY_VERIFY(reports().contains(u"正在打开 Morvanteel 智能整理。"_s));
        QCOMPARE(gapplication({u"action"_s, busName, u"open-spot-search"_s}), 0);
        QTRY_VERIFY(reports().contains(u"正在打开 Morvanteel SpotSearch。"_s));
    }

    // Each Exec line of the entry, run as a launcher runs it, reaches the running instance: the
    // program's launches hand their link over and end at once, the switch cycles.
    void execLinesReachTheInstance()
    {
        QFile file(m_entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QHash<QString, QString> execs;
        QString group;
        for (const QByteArray& raw : file.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw);
            if (line.startsWith(u'['))
                group = line.mid(1, line.size() - 2);
            else if (line.startsWith(u"Exec="))
                execs.insert(group, line.mid(5));
        }
        QCOMPARE(execs.size(), 4);
        for (const QString& action : {u"open-spot-search"_s, u"run-smart-tidy"_s}) {
            const QStringList words = execWords(execs.value(u"Desktop Action "_s + action));
            QCOMPARE(words.first(), installedProgramPath());
            QCOMPARE(run(words.first(), words.mid(1)), 0);
        }
        // The entry's own line, plain and with a link.
        const QStringList plain = execWords(execs.value(u"Desktop Entry"_s));
        QCOMPARE(plain, QStringList{installedProgramPath()});
        QCOMPARE(run(plain.first(), {}), 0);
        QCOMPARE(run(plain.first(), {u"morvanteel://switch-workspace/"_s + workspaceIDs()[1]}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(activeWorkspace(), workspaceIDs()[1], 10000);

        const QStringList cycle = execWords(execs.value(u"Desktop Action switch-workspace"_s));
        QCOMPARE(run(cycle.first(), cycle.mid(1)), 0);
        QTRY_COMPARE_WITH_TIMEOUT(activeWorkspace(), workspaceIDs()[2], 10000);
        QCOMPARE(m_program.state(), QProcess::Running);
    }

    // A link longer than one hand-over may carry is told as such, in words, and no second
    // program starts.
    void overLongLinkIsToldAsSuch()
    {
        QByteArray errors;
        const QString link = u"morvanteel://open-fence/"_s + QString(70 * 1024, u'a');
        QCOMPARE(run(programPath(), {link}, nullptr, &errors), 1);
        QVERIFY2(errors.contains("链接过长，无法交给正在运行的 Morvanteel。"), errors.constData());
        QCOMPARE(m_program.state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(ApplicationBusTest)
#include "tst_applicationbus.moc"
