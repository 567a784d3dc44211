#include "desktop/shell/MorvanteelAppRuntime.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Fences sit on the desktop layer through X11 window-manager hints, which Wayland does not
    // offer: a Wayland session runs us through XWayland unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvanteel"));
    QApplication::setDesktopFileName(QStringLiteral("morvanteel"));
    // Closing the control center only hides it; the fences stay on the desktop.
    QApplication::setQuitOnLastWindowClosed(false);

    mv::MorvanteelAppRuntime runtime;
    runtime.start();
    return QApplication::exec();
}
