#include "foundation/ChildLifeline.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int watchedDescriptor = 3;

[[noreturn]] void watch(int end)
{
    // Signals meant for the group's work (a polite SIGTERM first, a hang-up)
    // do not end the watcher before the work's forced end.
    ::signal(SIGTERM, SIG_IGN);
    ::signal(SIGINT, SIG_IGN);
    ::signal(SIGHUP, SIG_IGN);
    if (end != watchedDescriptor)
        ::dup2(end, watchedDescriptor);
    // Nothing of the child's (its pipes, our other descriptors) is kept open.
    for (int descriptor = 0; descriptor < watchedDescriptor; ++descriptor)
        ::close(descriptor);
    if (::close_range(watchedDescriptor + 1, ~0U, 0) != 0) {
        for (int descriptor = watchedDescriptor + 1; descriptor < 1024; ++descriptor)
            ::close(descriptor);
    }
    char byte = 0;
    while (::read(watchedDescriptor, &byte, 1) < 0 && errno == EINTR) {
    }
    ::kill(-::getpgrp(), SIGKILL);
    ::_exit(0);
}

} // namespace

ChildLifeline::ChildLifeline()
{
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) == 0) {
        watcherEnd_ = ends[0];
        ourEnd_ = ends[1];
    }
}

ChildLifeline::~ChildLifeline()
{
    started();
    release();
}

void ChildLifeline::hold(pid_t parent) const
{
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // We may have died before the line above: then nobody will send the signal.
    if (::getppid() != parent)
        ::_exit(127);
    if (watcherEnd_ < 0)
        return;
    if (::fork() == 0)
        watch(watcherEnd_);
}

void ChildLifeline::started()
{
    if (watcherEnd_ >= 0)
        ::close(std::exchange(watcherEnd_, -1));
}

void ChildLifeline::release()
{
    if (ourEnd_ >= 0)
        ::close(std::exchange(ourEnd_, -1));
}
