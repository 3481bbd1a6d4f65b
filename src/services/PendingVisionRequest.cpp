#include "services/PendingVisionRequest.h"

#include "models/TrovError.h"

PendingVisionRequest::PendingVisionRequest(std::shared_ptr<TextRecognitionRequest> request)
    : request_(std::move(request))
{
    promise_.start();
}

bool PendingVisionRequest::finish(Outcome outcome)
{
    {
        const std::lock_guard lock(mutex_);
        if (hasOutcome_)
            return false;
        hasOutcome_ = true;
    }
    // Only the first finish gets here, so the promise is reported to once and
    // outside the lock.
    if (auto *response = std::get_if<OCRResponse>(&outcome))
        promise_.addResult(std::move(*response));
    else
        promise_.setException(std::get<std::exception_ptr>(outcome));
    promise_.finish();
    return true;
}

void PendingVisionRequest::cancel()
{
    {
        const std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    finish(std::make_exception_ptr(TrovError::of(TrovError::taskCancelled)));
    request_->cancel();
}

bool PendingVisionRequest::isCancelled() const
{
    const std::lock_guard lock(mutex_);
    return cancelled_;
}

bool PendingVisionRequest::hasOutcome() const
{
    const std::lock_guard lock(mutex_);
    return hasOutcome_;
}
