#pragma once

#include "foundation/ThreadHandOff.h"
#include <QCoroFuture>
#include <QCoroTask>

#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <variant>

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
        using Stored = std::conditional_t<std::is_void_v<Result>, std::monostate, Result>;
        // The job is made here, before the hand-over is marked, and the pool
        // receives it through Qt's own runnable: ThreadSanitizer then sees
        // every byte the worker reads pass through the hand-over (a job object
        // made inside QtConcurrent::run would be made after it).
        auto promise = std::make_shared<QPromise<Outcome<Stored>>>();
        QFuture<Outcome<Stored>> future = promise->future();
        promise->start();
        std::function<void()> job = [promise, work = std::make_shared<Work>(std::move(work))] {
            ThreadHandOff::acquire();
            Outcome<Stored> outcome;
            try {
                if constexpr (std::is_void_v<Result>) {
                    (*work)();
                    outcome.value.emplace();
                } else {
                    outcome.value.emplace((*work)());
                }
            } catch (...) {
                outcome.failure = std::current_exception();
            }
            promise->addResult(std::move(outcome));
            ThreadHandOff::release();
            promise->finish();
        };
        ThreadHandOff::release();
        pool().start(std::move(job));
        co_await future;
        ThreadHandOff::acquire();
        Outcome<Stored> outcome = future.takeResult();
        if (outcome.failure)
            std::rethrow_exception(outcome.failure);
        if constexpr (!std::is_void_v<Result>)
            co_return std::move(*outcome.value);
    }

private:
    template <typename Result>
    struct Outcome {
        std::optional<Result> value;
        std::exception_ptr failure;
    };
};
