#include "foundation/ChildProcessSignals.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

bool ChildProcessSignals::leadsOwnGroup(pid_t pid)
{
    return pid > 0 && getpgid(pid) == pid;
}

void ChildProcessSignals::send(pid_t pid, int signal, bool wholeGroup)
{
    if (pid <= 0)
        return;
    ::kill(wholeGroup ? -pid : pid, signal);
}

bool ChildProcessSignals::hasExited(pid_t pid)
{
    if (pid <= 0)
        return true;
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno == ECHILD; // already reaped by its owner
    return info.si_pid == pid;
}
