#include "app/PopoverDismissal.h"

#include <utility>

void PopoverDismissal::reset()
{
    holding_ = false;
    dragOver_ = false;
    clickClosed_ = false;
}

void PopoverDismissal::focusLost(bool buttonHeld)
{
    if (buttonHeld) {
        holding_ = true;
        return;
    }
    if (!holding_ && !dragOver_)
        close_();
}

void PopoverDismissal::pressedElsewhere()
{
    holding_ = true;
}

void PopoverDismissal::buttonsReleased()
{
    if (!holding_)
        return;
    holding_ = false;
    if (!dragOver_) {
        clickClosed_ = true;
        close_();
    }
}

void PopoverDismissal::dragEntered()
{
    dragOver_ = true;
}

void PopoverDismissal::dragLeft(bool buttonHeld)
{
    dragOver_ = false;
    if (!buttonHeld) {
        holding_ = false;
        close_();
    }
}

void PopoverDismissal::dropped()
{
    dragOver_ = false;
    holding_ = false;
}

void PopoverDismissal::pressedWhileClosed()
{
    clickClosed_ = false;
}

bool PopoverDismissal::takeClickEcho()
{
    return std::exchange(clickClosed_, false);
}
