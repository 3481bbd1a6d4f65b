#include "foundation/SerialWork.h"

#include "foundation/Background.h"
#include "foundation/Detached.h"
#include "foundation/EventLoopLatch.h"

#include <QCoroTimer>

#include <deque>
#include <vector>

struct SerialWork::State {
    struct Entry {
        Job job;
        Completion completion;
        bool replaceable = false;
    };
    std::deque<Entry> waiting;
    bool running = false;
    // While enqueue() starts the drain: a job that ends before its await
    // suspends would otherwise have its completion run inside post().
    bool starting = false;
    bool ownerAlive = true;
    std::vector<std::shared_ptr<EventLoopLatch>> idleWaiters;

    void wakeIdleWaiters()
    {
        for (const auto &waiter : std::exchange(idleWaiters, {}))
            waiter->open();
    }
};

SerialWork::SerialWork() : state_(std::make_shared<State>())
{
}

SerialWork::~SerialWork()
{
    state_->ownerAlive = false;
    for (State::Entry &entry : state_->waiting)
        entry.completion = nullptr;
}

void SerialWork::post(Job job, Completion completion)
{
    enqueue(std::move(job), std::move(completion), false);
}

void SerialWork::postReplaceable(Job job)
{
    enqueue(std::move(job), {}, true);
}

void SerialWork::enqueue(Job job, Completion completion, bool replaceable)
{
    if (replaceable && !state_->waiting.empty() && state_->waiting.back().replaceable) {
        state_->waiting.back().job = std::move(job);
        return;
    }
    state_->waiting.push_back({std::move(job), std::move(completion), replaceable});
    if (!state_->running) {
        state_->running = true;
        state_->starting = true;
        Detached::start(drain(state_), "background file work");
        state_->starting = false;
    }
}

bool SerialWork::isIdle() const
{
    return !state_->running;
}

QCoro::Task<void> SerialWork::idle()
{
    if (!state_->running)
        co_return;
    auto latch = EventLoopLatch::create();
    state_->idleWaiters.push_back(latch);
    co_await latch->wait();
}

QCoro::Task<void> SerialWork::drain(std::shared_ptr<State> state)
{
    while (!state->waiting.empty()) {
        State::Entry entry = std::move(state->waiting.front());
        state->waiting.pop_front();
        // A job reports its own failures; one that throws anyway must not stop the queue.
        try {
            co_await Background::run(std::move(entry.job));
        } catch (...) {
        }
        // The caller of post() never meets its completion inside that call,
        // however quickly the job ended: it comes on a later turn of the loop.
        if (state->starting && entry.completion)
            co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        if (state->ownerAlive && entry.completion)
            entry.completion();
    }
    state->running = false;
    state->wakeIdleWaiters();
}
