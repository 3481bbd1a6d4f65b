#include "foundation/EventLoopLatch.h"

#include <QCoreApplication>

void EventLoopLatch::open()
{
    if (open_)
        return;
    open_ = true;
    // The application object carries the job, so it runs even when the
    // object that opened the latch is gone by then.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self = shared_from_this()] {
            if (auto waiter = std::exchange(self->waiter_, nullptr))
                waiter.resume();
        },
        Qt::QueuedConnection);
}
