#include "platform/ProcessExit.h"

#include <QCoreApplication>
#include <QProcess>

#include <coroutine>
#include <memory>

namespace {

struct ExitState {
    bool exited = false;
    std::coroutine_handle<> waiter;
};

class ExitAwaiter {
public:
    explicit ExitAwaiter(std::shared_ptr<ExitState> state) : state_(std::move(state)) {}
    bool await_ready() const noexcept { return state_->exited; }
    void await_suspend(std::coroutine_handle<> waiter) noexcept { state_->waiter = waiter; }
    void await_resume() const noexcept {}

private:
    std::shared_ptr<ExitState> state_;
};

void resumeLater(const std::shared_ptr<ExitState> &state)
{
    if (state->exited)
        return;
    state->exited = true;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [state] {
            if (auto waiter = std::exchange(state->waiter, nullptr))
                waiter.resume();
        },
        Qt::QueuedConnection);
}

} // namespace

QCoro::Task<void> ProcessExit::of(QProcess *process)
{
    if (!process || process->state() == QProcess::NotRunning)
        co_return;
    auto state = std::make_shared<ExitState>();
    // QCoro's signal awaiter queues its resumption on the sender itself, so a
    // process deleted right after finished() (the usual deleteLater) would never
    // resume it: hence this small awaiter of our own.
    QObject::connect(process, &QProcess::finished, QCoreApplication::instance(), [state] { resumeLater(state); });
    QObject::connect(process, &QObject::destroyed, QCoreApplication::instance(), [state] { resumeLater(state); });
    co_await ExitAwaiter(state);
}
