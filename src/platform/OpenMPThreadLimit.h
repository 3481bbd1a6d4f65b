#pragma once

// Tesseract is fastest single-threaded on the small crops we feed it, and its
// OpenMP runtime reads OMP_THREAD_LIMIT only once, when it is loaded. A process
// that links Tesseract therefore calls this first thing in main(): when the
// variable is not "1" it sets it and re-executes itself once.
class OpenMPThreadLimit {
public:
    static void enforceSingleThread(char **argv);
};
