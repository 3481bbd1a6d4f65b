#pragma once

#include "stores/RecognitionOptions.h"

#include <stop_token>

// One running capture, practice run or import. The model owns it and its
// coroutine shares it; the model cancels it when asked to and abandons it when
// destroyed, so a coroutine that resumes later learns from the operation, not
// from the model, whether there is anything left to report to.
struct CaptureOperation {
    explicit CaptureOperation(RecognitionOptions options) : options(std::move(options)) {}

    const RecognitionOptions options;
    std::stop_source stop;
    // Set, together with a stop, when the model that started it is destroyed.
    bool abandoned = false;

    void abandon()
    {
        abandoned = true;
        stop.request_stop();
    }
};
