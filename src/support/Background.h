#pragma once

#include "support/ThreadHandOff.h"
#include <QCoroFuture>
#include <QCoroTask>

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <optional>
#include <type_traits>

// Runs blocking work on a thread pool of its own and lets a coroutine on the
// GUI thread await it. Exceptions thrown by the work are rethrown to the awaiter
// unchanged (QFuture alone would wrap them in QUnhandledException).
//
// The work lambdas are named locals on purpose: GCC 12 destroys a lambda
// temporary that appears inside a co_await expression twice, which releases
// whatever it captured (a QString's shared data, say) once too often.
class Background {
public:
    // Never joined: QCoreApplication waits for its global pool when it is
    // destroyed, and a file open that cannot end (a FIFO, a dead network
    // mount) must not keep the process from ending.
    static QThreadPool &pool()
    {
        static QThreadPool *const instance = new QThreadPool;
        return *instance;
    }

    template <typename Work>
    static auto run(Work work) -> QCoro::Task<std::invoke_result_t<Work>>
    {
        using Result = std::invoke_result_t<Work>;
        if constexpr (std::is_void_v<Result>) {
            auto guarded = [work = std::move(work)]() mutable {
                ThreadHandOff::acquire();
                std::exception_ptr failure;
                try {
                    work();
                } catch (...) {
                    failure = std::current_exception();
                }
                ThreadHandOff::release();
                return failure;
            };
            ThreadHandOff::release();
            std::exception_ptr failure = co_await QtConcurrent::run(&pool(), std::move(guarded));
            ThreadHandOff::acquire();
            if (failure)
                std::rethrow_exception(failure);
        } else {
            auto guarded = [work = std::move(work)]() mutable {
                ThreadHandOff::acquire();
                Outcome<Result> result;
                try {
                    result.value.emplace(work());
                } catch (...) {
                    result.failure = std::current_exception();
                }
                ThreadHandOff::release();
                return result;
            };
            ThreadHandOff::release();
            Outcome<Result> outcome = co_await QtConcurrent::run(&pool(), std::move(guarded));
            ThreadHandOff::acquire();
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
