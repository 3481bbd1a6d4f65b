#pragma once

#include <QCoroTask>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

// Runs an awaitable to completion on the test's event loop and returns its value
// (rethrowing its exception). Only tests may wait like this.
// (QCoro::waitFor alone never returns when the awaitable throws.)
template <typename Awaitable>
auto await(Awaitable &&awaitable)
{
    using Result = decltype(QCoro::waitFor(std::forward<Awaitable>(awaitable)));
    std::exception_ptr failure;
    if constexpr (std::is_void_v<Result>) {
        QCoro::waitFor([&]() -> QCoro::Task<void> {
            try {
                co_await std::forward<Awaitable>(awaitable);
            } catch (...) {
                failure = std::current_exception();
            }
        }());
        if (failure)
            std::rethrow_exception(failure);
    } else {
        std::optional<std::decay_t<Result>> value;
        QCoro::waitFor([&]() -> QCoro::Task<void> {
            try {
                value.emplace(co_await std::forward<Awaitable>(awaitable));
            } catch (...) {
                failure = std::current_exception();
            }
        }());
        if (failure)
            std::rethrow_exception(failure);
        return std::decay_t<Result>(std::move(*value));
    }
}
