#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QMetaObject>

#include <coroutine>
#include <exception>
#include <memory>
#include <optional>

// The one-shot slot a waiting selection is resumed through. The first result
// wins; the waiter is resumed from the event loop, never from inside the event
// handler that delivered the result, so the overlays are already closed and
// their handlers have returned when the caller continues.
class SelectionContinuation {
public:
    struct State {
        bool resolved = false;
        std::optional<QImage> image;
        std::exception_ptr error;
        std::coroutine_handle<> waiter;
    };

    bool isResolved() const { return state_->resolved; }

    void resolve(QImage image) { settle(std::move(image), nullptr); }
    void fail(std::exception_ptr error) { settle(std::nullopt, std::move(error)); }

    struct Awaiter {
        std::shared_ptr<State> state;
        bool await_ready() const noexcept;
        void await_suspend(std::coroutine_handle<> waiter) noexcept;
        QImage await_resume();
    };
    Awaiter operator co_await() const { return Awaiter{state_}; }

private:
    void settle(std::optional<QImage> image, std::exception_ptr error)
    {
        if (state_->resolved)
            return;
        state_->resolved = true;
        state_->image = std::move(image);
        state_->error = std::move(error);
        if (const std::coroutine_handle<> waiter = std::exchange(state_->waiter, nullptr))
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [waiter] { waiter.resume(); }, Qt::QueuedConnection);
    }

    std::shared_ptr<State> state_ = std::make_shared<State>();
};

inline bool SelectionContinuation::Awaiter::await_ready() const noexcept
{
    return state->resolved;
}

inline void SelectionContinuation::Awaiter::await_suspend(std::coroutine_handle<> waiter) noexcept
{
    state->waiter = waiter;
}

inline QImage SelectionContinuation::Awaiter::await_resume()
{
    if (state->error)
        std::rethrow_exception(state->error);
    return std::move(*state->image);
}
