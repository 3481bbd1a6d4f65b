#pragma once

#include <QProcessEnvironment>

// Tesseract is fastest single-threaded on the small crops we feed it, and its
// OpenMP runtime reads OMP_THREAD_LIMIT only once, when it is loaded. A process
// that links Tesseract therefore calls this first thing in main(): when the
// variable is not "1" it sets it and re-executes itself once.
//
// The limit is this process's own business: the programs it starts (the local
// engine's Python, which runs its own numerical libraries) get the variable as
// the user had it.
class OpenMPThreadLimit {
public:
    static void enforceSingleThread(char **argv);

    // This process's environment with OMP_THREAD_LIMIT as it was before
    // enforceSingleThread(), for child processes.
    static QProcessEnvironment childEnvironment();
};
