#pragma once

#include "models/OCRResponse.h"
#include "services/TextRecognitionRequest.h"

#include <QFuture>
#include <QPromise>

#include <exception>
#include <memory>
#include <mutex>
#include <variant>

// The state of one recognition: whichever of result, busy error or
// cancellation arrives first is the outcome, and the awaiting caller is
// resumed with it exactly once. Later outcomes are dropped.
//
// The caller awaits future(); QFuture hands the outcome back on the caller's
// own thread, whatever thread finish() ran on.
class PendingVisionRequest {
public:
    using Outcome = std::variant<OCRResponse, std::exception_ptr>;

    explicit PendingVisionRequest(std::shared_ptr<TextRecognitionRequest> request);

    TextRecognitionRequest &request() { return *request_; }
    QFuture<OCRResponse> future() { return promise_.future(); }

    // Records `outcome` unless one is already there; returns whether it was.
    bool finish(Outcome outcome);

    // Marks the request cancelled, finishes it with the cancellation error and
    // asks a running recognition to stop.
    void cancel();

    bool isCancelled() const;
    bool hasOutcome() const;

private:
    std::shared_ptr<TextRecognitionRequest> request_;
    mutable std::mutex mutex_;
    QPromise<OCRResponse> promise_;
    bool hasOutcome_ = false;
    bool cancelled_ = false;
};
