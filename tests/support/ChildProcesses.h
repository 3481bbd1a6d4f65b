#pragma once

#include <QList>

#include <chrono>
#include <sys/types.h>

// What the tests know about the processes they started, read from /proc.
class ChildProcesses {
public:
    // Orphans of our children become ours, so a grandchild left behind is seen
    // (and can be reaped) by this process.
    static void adoptOrphans();

    // Children of this process that have not exited.
    static QList<pid_t> living();

    // Reaps exited children. Only safe once no QProcess of ours is alive: it
    // would take their exit status away from them.
    static void reapExited();

    // Waits, processing events, until no child is alive; reaps what exited.
    static bool waitUntilNoneLeft(std::chrono::milliseconds limit);

    // The process exists and is not a zombie.
    static bool isAlive(pid_t pid);

    // The process has exited but nobody has reaped it yet.
    static bool isZombie(pid_t pid);
};
