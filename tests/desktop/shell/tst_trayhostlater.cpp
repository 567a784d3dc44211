#include "core/store/support/StoreFixture.h"
#include "desktop/shell/DesktopPanelManager.h"
#include "desktop/shell/StatusBarMenuController.h"
#include "support/XvfbSession.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdio>
#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

// Set when the tray host could not be had: the run then counts as skipped.
bool trayHostMissing = false;

xcb_connection_t* connection()
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// The window that Qt made for the tray item, once it has made one.
QWidget* trayItemWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qstrcmp(widget->metaObject()->className(), "QSystemTrayIconSys") == 0)
            return widget;
    }
    return nullptr;
}

// The X parent of `window`: the root until a tray host embeds it.
xcb_window_t parentOf(xcb_window_t window, xcb_window_t& root)
{
    xcb_query_tree_reply_t* reply = xcb_query_tree_reply(connection(), xcb_query_tree(connection(), window), nullptr);
    if (!reply)
        return XCB_WINDOW_NONE;
    root = reply->root;
    const xcb_window_t parent = reply->parent;
    std::free(reply);
    return parent;
}

bool isEmbedded()
{
    QWidget* item = trayItemWindow();
    if (!item || !connection())
        return false;
    xcb_window_t root = XCB_WINDOW_NONE;
    const xcb_window_t parent = parentOf(static_cast<xcb_window_t>(item->winId()), root);
    return parent != XCB_WINDOW_NONE && parent != root;
}

} // namespace

class TrayHostLaterTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Started on a desktop without a tray, the program has no item; a tray host started
    // afterwards gets it, embedded in the host's window.
    void aTrayHostStartedLaterGetsTheIcon()
    {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        StoreFixture fixture;
        const std::unique_ptr<MorvanteelStore> store = fixture.makeStore();
        DesktopPanelManager manager(*store);
        StatusBarMenuController controller(*store, manager, {});
        QTest::qWait(StatusBarMenuController::trayRetryIntervalMs + 300);
        QVERIFY(!controller.isTrayAvailable());
        QVERIFY(!trayItemWindow());

        // The host keeps its settings away from the user's home.
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_s, home.path());
        environment.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
        environment.insert(u"XDG_CACHE_HOME"_s, home.filePath(u"cache"_s));
        environment.insert(u"XDG_DATA_HOME"_s, home.filePath(u"data"_s));
        QProcess host;
        host.setProcessEnvironment(environment);
        host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        host.start(QStandardPaths::findExecutable(u"trayer"_s),
                   {u"--edge"_s, u"top"_s, u"--align"_s, u"right"_s, u"--widthtype"_s, u"pixel"_s, u"--width"_s,
                    u"120"_s, u"--height"_s, u"28"_s});
        if (!host.waitForStarted(5000)) {
            trayHostMissing = true;
            QSKIP("the tray host did not start");
        }
        const bool hostUp = QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000);
        if (!hostUp) {
            host.kill();
            host.waitForFinished(5000);
            trayHostMissing = true;
            QSKIP("the tray host never took the tray");
        }

        QTRY_VERIFY_WITH_TIMEOUT(controller.isTrayAvailable(), StatusBarMenuController::trayRetryIntervalMs * 3);
        QTRY_VERIFY_WITH_TIMEOUT(isEmbedded(), 10000);
        QVERIFY(controller.trayIcon()->geometry().isValid());

        host.terminate();
        if (!host.waitForFinished(5000)) {
            host.kill();
            host.waitForFinished(5000);
        }
    }
};

int main(int argc, char** argv)
{
    if (QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty()) {
        std::printf("skipped: no tray host (trayer) installed\n");
        return XvfbSession::skipExitCode;
    }
    XvfbSession session;
    if (const QString failure = session.start(); !failure.isEmpty()) {
        std::printf("skipped: %s\n", failure.toLocal8Bit().constData());
        std::fflush(stdout);
        return XvfbSession::skipExitCode;
    }
    QApplication app(argc, argv);
    TrayHostLaterTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    const int failures = QTest::qExec(&test, argc, argv);
    if (failures == 0 && trayHostMissing) {
        std::printf("skipped: the tray host could not start\n");
        return XvfbSession::skipExitCode;
    }
    return failures;
}

#include "tst_trayhostlater.moc"
