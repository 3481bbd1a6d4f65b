#pragma once

#include <QCoroTask>

#include <chrono>

// Awaiting something that may never end, for a while at most.
class BoundedWait {
public:
    // True when `task` finished within `limit`. One still running then goes
    // on by itself, unawaited, and whatever it throws is dropped.
    static QCoro::Task<bool> forAtMost(QCoro::Task<void> task, std::chrono::milliseconds limit);
};
