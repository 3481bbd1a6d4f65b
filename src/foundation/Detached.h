#pragma once

#include <QCoroTask>

// Starts a coroutine that nobody awaits. An exception escaping it is a fault
// of the program, not a user-facing failure: it is reported on stderr with the
// task's name instead of being dropped with the task.
class Detached {
public:
    static void start(QCoro::Task<void> task, const char *name);
};
