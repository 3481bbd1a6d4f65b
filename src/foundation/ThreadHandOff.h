#pragma once

// Marks where data passes from one thread to another through Qt (a thread
// pool's queue, a future's result), whose own locks ThreadSanitizer cannot
// see: Qt is not built with it. The sender releases before it hands over, the
// receiver acquires before it reads. One token for the whole process, so the
// receiver needs nothing of what it was handed to find it. Nothing at all in
// other builds.
#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

class ThreadHandOff {
public:
    static void release()
    {
#if defined(__SANITIZE_THREAD__)
        __tsan_release(&token);
#endif
    }
    static void acquire()
    {
#if defined(__SANITIZE_THREAD__)
        __tsan_acquire(&token);
#endif
    }

private:
    static inline char token = 0;
};
