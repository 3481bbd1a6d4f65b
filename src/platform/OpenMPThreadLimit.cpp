#include "platform/OpenMPThreadLimit.h"

#include <omp.h>

void OpenMPThreadLimit::enforceSingleThread()
{
    // With no active level allowed, a parallel region is inactive: the thread
    // that meets it runs it as a team of one.
    omp_set_max_active_levels(0);
}
