#pragma once

#include <coroutine>
#include <memory>

// One coroutine waits until someone opens the latch; it is then resumed from
// the event loop, never from inside the code that opened it (which may be in
// the middle of tearing things down). Shared, so the posted resumption can
// outlive whoever opened it.
class EventLoopLatch : public std::enable_shared_from_this<EventLoopLatch> {
public:
    static std::shared_ptr<EventLoopLatch> create() { return std::shared_ptr<EventLoopLatch>(new EventLoopLatch); }

    bool isOpen() const { return open_; }
    // Opens the latch (once; later calls do nothing) and posts the waiter's resumption.
    void open();

    class Awaiter {
    public:
        explicit Awaiter(std::shared_ptr<EventLoopLatch> latch) : latch_(std::move(latch)) {}
        bool await_ready() const noexcept { return latch_->open_; }
        void await_suspend(std::coroutine_handle<> waiter) noexcept { latch_->waiter_ = waiter; }
        void await_resume() const noexcept {}

    private:
        std::shared_ptr<EventLoopLatch> latch_;
    };
    Awaiter wait() { return Awaiter(shared_from_this()); }

private:
    EventLoopLatch() = default;

    bool open_ = false;
    std::coroutine_handle<> waiter_;
};
