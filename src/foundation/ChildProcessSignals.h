#pragma once

#include <sys/types.h>

// POSIX signals for child processes and their process groups.
class ChildProcessSignals {
public:
    // True when `pid` is the leader of a process group of its own.
    static bool leadsOwnGroup(pid_t pid);

    // Sends `signal` to the process group `pid` leads when `wholeGroup`, else to `pid` alone.
    // A group or process that no longer exists is not an error.
    static void send(pid_t pid, int signal, bool wholeGroup);

    // True when `pid` has exited, reaped or not. Leaves a zombie waitable for its
    // owner (QProcess reaps its own children), so it is safe to ask at any time.
    static bool hasExited(pid_t pid);
};
