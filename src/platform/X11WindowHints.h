#pragma once

class QWindow;

// Window-manager hints Qt has no API for.
class X11WindowHints {
public:
    X11WindowHints() = delete;

    // On every virtual desktop, and kept out of the taskbar and the pager.
    // Call once the native window exists; works before and after mapping.
    static void floatOnEveryDesktop(QWindow *window);
};
