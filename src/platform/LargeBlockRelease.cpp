#include "platform/LargeBlockRelease.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

bool LargeBlockRelease::enable()
{
#if defined(__GLIBC__)
    // Setting the threshold explicitly also fixes the trim threshold at its
    // default, so the heap's own top is given back too.
    return mallopt(M_MMAP_THRESHOLD, int(threshold)) == 1;
#else
    return false;
#endif
}

void LargeBlockRelease::giveBackFreePages()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
