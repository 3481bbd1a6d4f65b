#pragma once

#include "foundation/SingleShotTimer.h"

// A timer whose time the test passes by hand: fire() is the moment it expires.
class ManualTimer : public SingleShotTimer {
public:
    void start(std::chrono::milliseconds interval) override
    {
        active = true;
        lastInterval = interval;
        ++starts;
    }
    void stop() override { active = false; }
    bool isActive() const override { return active; }

    // Expires now, if it is running.
    void fire()
    {
        if (!active)
            return;
        active = false;
        expire();
    }

    bool active = false;
    std::chrono::milliseconds lastInterval{0};
    int starts = 0;
};
