#pragma once

#include <QtGlobal>

// Another application's top-level window, remembered so it can be brought back.
struct RunningApplication {
    // The X11 window that was active.
    quint32 window = 0;
    // Its _NET_WM_PID, or 0 when the window does not say.
    qint64 processId = 0;

    friend bool operator==(const RunningApplication &, const RunningApplication &) = default;
};
