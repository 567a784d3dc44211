#include "design/AppIcon.h"
#include "desktop/shell/MorvanteelAppRuntime.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QUrl>

#include <cstdio>

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

} // namespace

int main(int argc, char* argv[])
{
    // One program per user: a second launch hands its links (or, plain, a reopen) to the first
    // and leaves before it builds any window.
    const QStringList links = linksIn(argc, argv);
    mv::platform::SingleInstance instance;
    switch (instance.claim(links)) {
    case mv::platform::SingleInstance::Claim::forwarded:
        return 0;
    case mv::platform::SingleInstance::Claim::unanswered:
        std::fprintf(stderr, "morvanteel: already running, but it did not answer\n");
        return 1;
    case mv::platform::SingleInstance::Claim::unavailable:
        std::fprintf(stderr, "morvanteel: cannot tell whether it is already running; starting anyway\n");
        break;
    case mv::platform::SingleInstance::Claim::primary:
        break;
    }

    // Fences sit on the desktop layer through X11 window-manager hints, which Wayland does not
    // offer: a Wayland session runs us through XWayland unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvanteel"));
    QApplication::setDesktopFileName(QStringLiteral("morvanteel"));
    QApplication::setWindowIcon(mv::appicon::icon());
    // Closing the control center only hides it; the fences stay on the desktop.
    QApplication::setQuitOnLastWindowClosed(false);

    mv::MorvanteelAppRuntime runtime;
    QObject::connect(&instance, &mv::platform::SingleInstance::argumentsReceived, &runtime,
                     [&runtime](const QStringList& urls) {
                         if (urls.isEmpty())
                             runtime.reopen();
                         else
                             runtime.handleDeepLinkURLs(urls);
                     });
    instance.startReceiving();
    runtime.start();
    runtime.handleDeepLinkURLs(links);
    return QApplication::exec();
}
