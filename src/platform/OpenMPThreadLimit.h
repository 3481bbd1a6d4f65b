#pragma once

// Tesseract is fastest single-threaded on the small crops we feed it: its
// OpenMP teams cost more in spinning and hand-over than they gain. After this
// call every OpenMP parallel region the calling thread meets runs on that
// thread alone, and it starts no team threads.
//
// The OpenMP runtime keeps the setting per thread (a thread starts with the
// process's defaults), so each thread that calls into Tesseract makes the
// call first; it costs next to nothing. It changes only the runtime, not the
// environment: the programs we start (the local engine's Python, which runs
// its own numerical libraries) see OMP_THREAD_LIMIT as the user had it.
class OpenMPThreadLimit {
public:
    static void enforceSingleThread();
};
