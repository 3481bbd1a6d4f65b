#pragma once

#include <QByteArray>

#include <optional>

// Which Qt platform the program runs on. It is an X11 client (through
// XWayland under a Wayland session): whatever QT_QPA_PLATFORM asks for, only
// the platforms that cannot fail to load are kept, the display-less
// "offscreen" and "minimal", and "xcb" while an X server answers, so Qt never
// aborts for a platform it cannot load.
class DisplayPlatform {
public:
    DisplayPlatform() = delete;

    // The value for QT_QPA_PLATFORM, given its current value (empty when
    // unset; Qt's ";"-separated list of choices); nothing when no platform is
    // usable, that is, no X display answers and no display-less platform was asked for.
    static std::optional<QByteArray> choose(const QByteArray &requested, bool x11DisplayAnswers);
};
