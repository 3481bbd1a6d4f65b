#include "platform/X11ScreenRecordingPermission.h"

#include <QGuiApplication>

X11ScreenRecordingPermission &X11ScreenRecordingPermission::shared()
{
    static X11ScreenRecordingPermission permission;
    return permission;
}

bool X11ScreenRecordingPermission::hasPermission() const
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                         qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
    return !wayland;
}

void X11ScreenRecordingPermission::requestPermission()
{
    // X11 has no per-application screen access to ask for.
}
