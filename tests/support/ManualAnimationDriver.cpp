#include "support/ManualAnimationDriver.h"

#include <QCoreApplication>

#include <algorithm>

ManualAnimationDriver::ManualAnimationDriver()
{
    install();
}

ManualAnimationDriver::~ManualAnimationDriver()
{
    uninstall();
}

void ManualAnimationDriver::advance(int milliseconds)
{
    constexpr int frame = 16;
    // Qt registers a newly started animation with its timer through two
    // queued calls, one after the other.
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
    while (milliseconds > 0) {
        const int step = std::min(frame, milliseconds);
        elapsed_ += step;
        milliseconds -= step;
        // A tick while nothing runs would make Qt count this time towards the
        // next animation to start.
        if (isRunning())
            advanceAnimation();
    }
}

void ManualAnimationDriver::start()
{
    startedAt_ = elapsed_;
    QAnimationDriver::start();
}
