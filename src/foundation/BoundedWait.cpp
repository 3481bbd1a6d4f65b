#include "foundation/BoundedWait.h"

#include "foundation/Detached.h"
#include "foundation/EventLoopLatch.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

struct Race {
    std::shared_ptr<EventLoopLatch> latch = EventLoopLatch::create();
    bool finished = false;
};

QCoro::Task<void> runToEnd(QCoro::Task<void> task, std::shared_ptr<Race> race)
{
    try {
        co_await std::move(task);
    } catch (...) {
    }
    race->finished = true;
    race->latch->open();
}

} // namespace

QCoro::Task<bool> BoundedWait::forAtMost(QCoro::Task<void> task, std::chrono::milliseconds limit)
{
    auto race = std::make_shared<Race>();
    Detached::start(runToEnd(std::move(task), race), "a bounded wait");
    QTimer::singleShot(limit, QCoreApplication::instance(), [race] { race->latch->open(); });
    co_await race->latch->wait();
    co_return race->finished;
}
