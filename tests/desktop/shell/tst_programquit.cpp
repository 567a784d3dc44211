#include "support/PrivateHome.h"

#include "core/models/DeepLink.h"
#include "core/models/Uuid.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

using namespace Qt::StringLiterals;

// The built program, ended by a signal or by its own quit right after an edit arrived from
// another launch: the edit is in the state file when the program has gone, and it went the
// normal way.
class ProgramQuitTest final : public QObject {
    Q_OBJECT

    QString programPath() const { return QStringLiteral(MORVANTEEL_BUILD_DIR) + u"/app/morvanteel"_s; }

    static QJsonObject state(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
    }

    static QStringList workspaceIDs(const QString& path)
    {
        QStringList ids;
        for (const QJsonValue& workspace : state(path).value(u"workspaces").toArray())
            ids.append(workspace.toObject().value(u"id").toString());
        return ids;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QFileInfo(programPath()).isExecutable())
            QSKIP(qPrintable(u"the program is not built at "_s + programPath()));
    }

    void anEditRightBeforeTheEndIsKept_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void anEditRightBeforeTheEndIsKept()
    {
        QFETCH(int, signalNumber);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        // No session bus: the program does without one.
        QProcessEnvironment environment = privateHomeEnvironment(home.path(), u"unix:path="_s + home.filePath(u"no-bus"_s));
        QVERIFY(!environment.isEmpty());
        environment.remove(u"DISPLAY"_s);
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        const QString statePath = home.filePath(u".local/share/Morvanteel/state.json"_s);

        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(programPath(), {});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(workspaceIDs(statePath).size() >= 3, 60000);
        const QString third = workspaceIDs(statePath).at(2);
        QVERIFY(state(statePath).value(u"activeWorkspaceID").toString() != third);

        // A second launch hands the link over and returns once the program has it; the
        // signal follows at once, while the program is still at work on it.
        const auto id = mv::parseUuid(third);
        QVERIFY(id);
        const QString link = mv::MorvanteelDeepLink::switchWorkspace(*id).urlString();
        QCOMPARE(runWhileServing(environment, programPath(), {link}), 0);
        QVERIFY(::kill(pid_t(program.processId()), signalNumber) == 0);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(state(statePath).value(u"activeWorkspaceID").toString(), third);
    }
};

QTEST_GUILESS_MAIN(ProgramQuitTest)
#include "tst_programquit.moc"
