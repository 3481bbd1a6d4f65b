#pragma once

// Tesseract is fastest single-threaded on the small crops we feed it: its
// OpenMP teams cost more in spinning and hand-over than they gain. A process
// that links Tesseract calls this first thing in main(), before any
// recognition: every OpenMP parallel region in the process then runs on the
// calling thread alone, and no team threads are ever started.
//
// It changes only this process's OpenMP runtime, not its environment, so the
// programs it starts (the local engine's Python, which runs its own numerical
// libraries) see OMP_THREAD_LIMIT as the user had it.
class OpenMPThreadLimit {
public:
    static void enforceSingleThread();
};
