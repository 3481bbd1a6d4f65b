#pragma once

// Whether the desktop composites windows, so that a window's translucent
// pixels blend with what lies behind it. Under X11 a compositing manager owns
// the _NET_WM_CM_S<screen> selection; without one, translucent pixels show as
// black. Other platforms (Wayland, offscreen) always composite. The
// environment variable RAVELOND_COMPOSITOR ("1" or "0") overrides the reading.
class DesktopCompositor {
public:
    DesktopCompositor() = delete;

    static bool isRunning();
};
