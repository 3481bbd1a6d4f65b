#pragma once

#include <QCoroTask>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

namespace AwaitDetail {

// QCoro::waitFor never returns when the awaited task throws (its helper
// coroutine dies before quitting the loop), so the outcome is caught here and
// rethrown outside.
template <typename T>
QCoro::Task<std::optional<T>> capture(QCoro::Task<T> task, std::exception_ptr *failure)
{
    try {
        co_return co_await std::move(task);
    } catch (...) {
        *failure = std::current_exception();
    }
    co_return std::nullopt;
}

inline QCoro::Task<bool> captureVoid(QCoro::Task<> task, std::exception_ptr *failure)
{
    try {
        co_await std::move(task);
    } catch (...) {
        *failure = std::current_exception();
    }
    co_return true;
}

} // namespace AwaitDetail

// Runs a task to completion on the test's event loop and returns its value,
// rethrowing its exception. Only tests may wait like this.
template <typename T>
T await(QCoro::Task<T> &&task)
{
    std::exception_ptr failure;
    if constexpr (std::is_void_v<T>) {
        QCoro::waitFor(AwaitDetail::captureVoid(std::move(task), &failure));
        if (failure)
            std::rethrow_exception(failure);
    } else {
        std::optional<T> value = QCoro::waitFor(AwaitDetail::capture<T>(std::move(task), &failure));
        if (failure)
            std::rethrow_exception(failure);
        return std::move(*value);
    }
}

template <typename T>
T await(QCoro::Task<T> &task)
{
    return await(std::move(task));
}
