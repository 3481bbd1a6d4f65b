#pragma once

#include "app/InstanceMessage.h"

#include <QCoroTask>
#include <QString>

#include <chrono>

// A second launch's side: hands one message to the running instance.
class InstanceForwarder {
public:
    InstanceForwarder() = delete;

    // True once the instance has answered; false when it did not within
    // `patience` (it may still be starting, so refused connections are retried).
    static QCoro::Task<bool> forward(QString socketPath, InstanceMessage message, std::chrono::milliseconds patience);
};
