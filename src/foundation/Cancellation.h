#pragma once

#include "models/TrovError.h"

#include <stop_token>

// Cooperative cancellation: awaiting operations take a std::stop_token.
class Cancellation {
public:
    // Throws TrovError::taskCancelled when a stop has been requested.
    static void throwIfRequested(const std::stop_token &token)
    {
        if (token.stop_requested())
            throw TrovError::of(TrovError::taskCancelled);
    }
};
