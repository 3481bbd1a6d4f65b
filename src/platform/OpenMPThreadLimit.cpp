#include "platform/OpenMPThreadLimit.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

void OpenMPThreadLimit::enforceSingleThread(char **argv)
{
    const char *current = std::getenv("OMP_THREAD_LIMIT");
    if (current && std::strcmp(current, "1") == 0) {
        unsetenv("RAVELOND_OMP_REEXEC");
        return;
    }
    // A marker guards against a loop should the exec somehow lose the variable.
    if (std::getenv("RAVELOND_OMP_REEXEC"))
        return;
    setenv("OMP_THREAD_LIMIT", "1", 1);
    setenv("RAVELOND_OMP_REEXEC", "1", 1);
    execv("/proc/self/exe", argv);
    // The exec failed: carry on with whatever threading the runtime chose.
}
