#pragma once

#include <QCoroFuture>
#include <QCoroTask>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <optional>
#include <type_traits>

// Runs blocking work on the global thread pool and lets a coroutine on the GUI
// thread await it. Exceptions thrown by the work are rethrown to the awaiter
// unchanged (QFuture alone would wrap them in QUnhandledException).
//
// The work lambdas are named locals on purpose: GCC 12 destroys a lambda
// temporary that appears inside a co_await expression twice, which releases
// whatever it captured (a QString's shared data, say) once too often.
class Background {
public:
    template <typename Work>
    static auto run(Work work) -> QCoro::Task<std::invoke_result_t<Work>>
    {
        using Result = std::invoke_result_t<Work>;
        if constexpr (std::is_void_v<Result>) {
            auto guarded = [work = std::move(work)]() mutable {
                try {
                    work();
                    return std::exception_ptr();
                } catch (...) {
                    return std::current_exception();
                }
            };
            std::exception_ptr failure = co_await QtConcurrent::run(std::move(guarded));
            if (failure)
                std::rethrow_exception(failure);
        } else {
            auto guarded = [work = std::move(work)]() mutable {
                Outcome<Result> result;
                try {
                    result.value.emplace(work());
                } catch (...) {
                    result.failure = std::current_exception();
                }
                return result;
            };
            Outcome<Result> outcome = co_await QtConcurrent::run(std::move(guarded));
            if (outcome.failure)
                std::rethrow_exception(outcome.failure);
            co_return std::move(*outcome.value);
        }
    }

private:
    template <typename Result>
    struct Outcome {
        std::optional<Result> value;
        std::exception_ptr failure;
    };
};
