#pragma once

#include <QCoroTask>

class QProcess;

// Awaiting the exit of a child process without blocking the GUI thread.
class ProcessExit {
public:
    // Completes once `process` has finished (or is destroyed); at once when it
    // is not running. The awaiter resumes from the event loop, after
    // QProcess::finished has been delivered to everyone, so it may delete the
    // process's owner.
    static QCoro::Task<void> of(QProcess *process);
};
