#pragma once

#include <functional>

// When the status item's popover goes away. It is transient for clicks: a
// press and release anywhere else, Escape, or the keyboard focus moving to
// another window close it. A press elsewhere that is still held may start a
// drag towards it, so the popover waits for the button: released with no drag
// over the popover, it closes; a drag that reaches it may drop there; a drag
// that leaves it once the button is up (dropped elsewhere, or refused) closes it.
//
// A tray that gives no icon geometry (a StatusNotifierItem host) cannot tell
// a click on the icon from one elsewhere: a click on the icon closes the
// popover as any click does, and the tray's activation for the same click
// comes after it. That activation is the click's echo, and is not to open the
// popover again: any activation that comes before another press is one.
class PopoverDismissal {
public:
    explicit PopoverDismissal(std::function<void()> close) : close_(std::move(close)) {}

    // The popover has just been shown.
    void reset();
    // The popover's window lost the keyboard focus; `buttonHeld`: while a
    // pointer button was down (a press in another window took it).
    void focusLost(bool buttonHeld);
    // A pointer button went down outside the popover (and its icon).
    void pressedElsewhere();
    // Every pointer button is up again.
    void buttonsReleased();
    void dragEntered();
    void dragLeft(bool buttonHeld);
    // A drop on the popover, taken or refused: the popover's content decides what follows.
    void dropped();
    // A pointer button went down while the popover is away.
    void pressedWhileClosed();
    // Whether a tray activation now is the echo of the click that closed
    // the popover; it is answered once.
    bool takeClickEcho();

    bool isHolding() const { return holding_; }
    bool isDragOver() const { return dragOver_; }
    // Closed by a click, with no press since: an activation may still echo it.
    bool awaitsClickEcho() const { return clickClosed_; }

private:
    std::function<void()> close_;
    // A press elsewhere is held: the popover waits for its release.
    bool holding_ = false;
    bool dragOver_ = false;
    bool clickClosed_ = false;
};
