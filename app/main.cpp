#include "design/AppIcon.h"
#include "design/GlassStyle.h"
#include "desktop/shell/ApplicationBusService.h"
#include "desktop/shell/IntentActions.h"
#include "desktop/shell/MorvanteelAppRuntime.h"
#include "desktop/shell/StatusBarMenuController.h"
#include "platform/QuitSignals.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QUrl>

#include <cstdio>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// The links this launch was given: arguments with a URL scheme. Qt's own options ("-platform
// xcb") are not links, so a plain launch stays a plain launch.
QStringList linksIn(int argc, char* argv[])
{
    QStringList links;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (!argument.startsWith(u'-') && !QUrl(argument).scheme().isEmpty())
            links.append(argument);
    }
    return links;
}

// Says why this launch ends without doing what it was asked: on standard error, and, on a
// desktop, in a small window, since a launcher shows no terminal.
int refuseLaunch(int argc, char* argv[], const QString& text)
{
    std::fprintf(stderr, "morvanteel: %s\n", text.toUtf8().constData());
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    mv::installGlassLook(application);
    const QString platform = QGuiApplication::platformName();
    if (platform != u"offscreen" && platform != u"minimal")
        QMessageBox::warning(nullptr, QStringLiteral("Morvanteel"), text);
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
#ifdef __GLIBC__
    // One heap for every thread: the pool's threads that read and sort portal folders at
    // start-up would each take an arena of their own and keep its freed memory, megabytes in
    // all, for work too brief to contend over one heap.
    mallopt(M_ARENA_MAX, 1);
#endif
    // One program per user: a second launch hands its links (or, plain, a reopen) to the first
    // and leaves before it builds any window.
    const QStringList links = linksIn(argc, argv);
    mv::platform::SingleInstance instance;
    switch (instance.claim(links)) {
    case mv::platform::SingleInstance::Claim::forwarded:
        return 0;
    case mv::platform::SingleInstance::Claim::unanswered:
        return refuseLaunch(argc, argv,
                            QStringLiteral("Morvanteel 已在运行，但无法联系到它，这次启动没有送达。"
                                           "请稍后再试，或退出正在运行的 Morvanteel 后重新打开。"));
    case mv::platform::SingleInstance::Claim::tooLong:
        return refuseLaunch(argc, argv, QStringLiteral("链接过长，无法交给正在运行的 Morvanteel。"));
    case mv::platform::SingleInstance::Claim::unavailable:
        std::fprintf(stderr, "morvanteel: 无法确认 Morvanteel 是否已在运行，仍然启动。\n");
        break;
    case mv::platform::SingleInstance::Claim::primary:
        break;
    }

    // Fences sit on the desktop layer through X11 window-manager hints, which Wayland does not
    // offer: a Wayland session runs us through XWayland unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    mv::installGlassLook(application);
    QApplication::setApplicationName(QStringLiteral("Morvanteel"));
    QApplication::setDesktopFileName(mv::ApplicationBusService::serviceName);
    // Closing the control center only hides it; the fences stay on the desktop.
    QApplication::setQuitOnLastWindowClosed(false);

    // A logout or a `kill` ends the event loop like the quit item does, so the runtime writes
    // the last saves before the program ends.
    mv::platform::QuitOnSignals quitSignals;

    mv::MorvanteelAppRuntime runtime;
    // Set once the fences' windows exist, which carry a small icon of their own: a window made
    // while the program has an icon is first given every size of it, converted and sent to the
    // X server, before its own replaces it.
    QApplication::setWindowIcon(mv::appicon::icon());
    QObject::connect(&instance, &mv::platform::SingleInstance::argumentsReceived, &runtime,
                     [&runtime](const QStringList& urls) {
                         if (urls.isEmpty())
                             runtime.reopen();
                         else
                             runtime.handleDeepLinkURLs(urls);
                     });
    instance.startReceiving();

    // The shortcuts, for launchers and the session bus; each says what it did (or why not)
    // once the program has acted.
    auto* actions = new mv::IntentActions(runtime);
    QObject::connect(actions, &mv::IntentActions::reported, &runtime, [&runtime](const QString& text, bool succeeded) {
        std::fprintf(stderr, "morvanteel: %s\n", text.toUtf8().constData());
        if (const auto* tray = runtime.statusBarController(); tray && tray->trayIcon())
            tray->trayIcon()->showMessage(QStringLiteral("Morvanteel"), text,
                                          succeeded ? QSystemTrayIcon::Information : QSystemTrayIcon::Warning);
    });
    auto* bus = new mv::ApplicationBusService(runtime, *actions);
    bus->registerOnSessionBus();

    runtime.start();
    runtime.handleDeepLinkURLs(links);
    return QApplication::exec();
}
