#pragma once

#include "platform/Workspace.h"

#include <QtGlobal>

// Frontmost application through EWMH: the root window's _NET_ACTIVE_WINDOW and
// that window's _NET_WM_PID; activation by the EWMH client message. Without an
// X11 connection (offscreen, Wayland-native) there is no frontmost application.
class X11Workspace : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() override;
    void activate(const RunningApplication &application) override;
};
