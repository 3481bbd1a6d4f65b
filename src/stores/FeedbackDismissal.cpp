#include "stores/FeedbackDismissal.h"

#include "foundation/SingleShotTimer.h"

FeedbackDismissal::FeedbackDismissal(SingleShotTimer &timer, std::function<void()> dismiss) : timer_(timer)
{
    timer_.setHandler(std::move(dismiss));
}

FeedbackDismissal::~FeedbackDismissal()
{
    timer_.stop();
    timer_.setHandler({});
}

void FeedbackDismissal::scheduleFor(const CapturePhase &phase)
{
    cancel();
    if (hovered_ || focused_)
        return;
    if (phase.kind() == CapturePhase::copied)
        timer_.start(afterCopy_);
    else if (phase.kind() == CapturePhase::cancelled)
        timer_.start(afterCancel_);
}

void FeedbackDismissal::cancel()
{
    timer_.stop();
}

void FeedbackDismissal::setHovered(bool hovered, const CapturePhase &phase)
{
    hovered_ = hovered;
    scheduleFor(phase);
}

void FeedbackDismissal::setFocused(bool focused, const CapturePhase &phase)
{
    focused_ = focused;
    scheduleFor(phase);
}

void FeedbackDismissal::release()
{
    hovered_ = false;
    focused_ = false;
}

void FeedbackDismissal::setDelays(std::chrono::milliseconds afterCopy, std::chrono::milliseconds afterCancel)
{
    afterCopy_ = afterCopy;
    afterCancel_ = afterCancel;
}
