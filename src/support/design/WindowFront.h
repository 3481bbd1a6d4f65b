#pragma once

class QWidget;

// Puts a window of ours in front of the user: out of the minimised state,
// shown, raised and active. Qt counts a minimised window as shown, so show,
// raise and activate alone would leave it in the taskbar (and without a
// taskbar, out of reach).
class WindowFront {
public:
    WindowFront() = delete;

    static void bring(QWidget &window);
};
