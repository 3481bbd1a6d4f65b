#include "app/QuitController.h"

#include <QPointer>

QuitController::QuitController(Steps steps, QObject *parent) : QObject(parent), steps_(std::move(steps))
{
}

QuitController::Reply QuitController::shouldTerminate()
{
    if (mayTerminate_)
        return Reply::terminateNow;
    if (isQuitting_)
        return Reply::cancel;
    // The question runs its own event loop, where a signal or the session
    // ending may ask again: those requests wait for the user's answer and are
    // never a second question, a second shutdown, or a quit behind "Keep installing".
    if (isAsking_)
        return Reply::cancel;
    if (!withoutAsking_ && steps_.isInstalling && steps_.isInstalling()) {
        isAsking_ = true;
        const bool keep = steps_.keepInstalling && steps_.keepInstalling();
        isAsking_ = false;
        if (keep && !withoutAsking_)
            return Reply::cancel;
    }
    isQuitting_ = true;
    shutDownThenQuit();
    return Reply::cancel;
}

void QuitController::requestQuit()
{
    if (shouldTerminate() == Reply::terminateNow && !terminated_) {
        terminated_ = true;
        if (steps_.terminate)
            steps_.terminate();
    }
}

void QuitController::requestQuitWithoutAsking()
{
    withoutAsking_ = true;
    if (isAsking_) {
        // The question's return takes the quit road from here.
        if (steps_.dismissQuestion)
            steps_.dismissQuestion();
        return;
    }
    requestQuit();
}

QCoro::Task<void> QuitController::shutDownThenQuit()
{
    QPointer<QuitController> self(this);
    if (steps_.shutDown)
        co_await steps_.shutDown();
    if (!self)
        co_return;
    mayTerminate_ = true;
    requestQuit();
}
