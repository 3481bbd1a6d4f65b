#pragma once

#include <sys/types.h>

// Ties a child process and everything it starts to this process's life, so
// nothing of ours outlives us, however we die (SIGKILL included).
//
// In the child, between fork and exec, hold() makes the child lead a process
// group of its own, asks the kernel to kill it when we die, and forks a
// watcher into that group. The watcher does nothing but wait on a pipe whose
// only writing end we keep: when that end closes (release(), or the kernel
// closing it because we died), it kills the whole group, itself last. As a
// member it also keeps the group's number from being reused while we might
// still signal it.
//
// Spawn on the GUI thread: the kernel's parent-death signal follows the thread
// that forked, and that one lives as long as the process.
class ChildLifeline {
public:
    ChildLifeline();
    ~ChildLifeline();
    ChildLifeline(const ChildLifeline &) = delete;
    ChildLifeline &operator=(const ChildLifeline &) = delete;

    // In the forked child, before exec; async-signal-safe. `parent` is our pid,
    // read before the fork.
    void hold(pid_t parent) const;
    // After the child has been started: our copy of the watcher's end goes.
    void started();
    // The watcher kills what is left of the group and ends.
    void release();

private:
    int watcherEnd_ = -1;
    int ourEnd_ = -1;
};
