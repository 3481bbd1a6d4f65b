#include "foundation/ProcessExit.h"

#include "foundation/EventLoopLatch.h"

#include <QCoreApplication>
#include <QProcess>

QCoro::Task<void> ProcessExit::of(QProcess *process)
{
    if (!process || process->state() == QProcess::NotRunning)
        co_return;
    auto exited = EventLoopLatch::create();
    // QCoro's signal awaiter queues its resumption on the sender itself, so a
    // process deleted right after finished() (the usual deleteLater) would never
    // resume it: hence the latch.
    QObject::connect(process, &QProcess::finished, QCoreApplication::instance(), [exited] { exited->open(); });
    QObject::connect(process, &QObject::destroyed, QCoreApplication::instance(), [exited] { exited->open(); });
    co_await exited->wait();
}
