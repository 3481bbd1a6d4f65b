#include "platform/OpenMPThreadLimit.h"

#include <omp.h>

void OpenMPThreadLimit::enforceSingleThread()
{
    // With no active level allowed, a parallel region is inactive: the thread
    // that meets it runs it as a team of one. The setting is the runtime's
    // own, not per thread, so it holds for the recogniser's pool threads too.
    omp_set_max_active_levels(0);
}
