#pragma once

#include "app/InstanceMessage.h"

#include <QCoroTask>
#include <QString>

#include <chrono>
#include <functional>

// A second launch's side: hands one message to the running instance.
class InstanceForwarder {
public:
    InstanceForwarder() = delete;

    enum class Outcome {
        // The instance took the message and acted on it.
        handedOver,
        // It held its lock but never took the connection in time.
        notListening,
        // It took the connection but did not answer, or did not confirm it
        // acted, in time; the message comes to nothing.
        notAnswering,
        // Nobody holds the lock any more: the instance has quit.
        gone,
    };

    struct Patience {
        // For an instance that is starting: it holds its lock before it listens.
        std::chrono::milliseconds toConnect;
        // For its answer, counted from the connection: it answers once its event loop runs.
        std::chrono::milliseconds toAnswer;
    };

    // `instanceIsRunning` tells whether the lock is still held, so waiting for
    // a listener stops as soon as there is nobody left to listen.
    static QCoro::Task<Outcome> forward(QString socketPath, InstanceMessage message, Patience patience,
                                        std::function<bool()> instanceIsRunning);
};
