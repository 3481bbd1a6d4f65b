#pragma once

#include "models/CapturePhase.h"

#include <chrono>
#include <functional>

class SingleShotTimer;

// When the feedback panel goes away by itself: 6 s after a copy, 2 s after a
// cancel, never after a failure. While the pointer is over the panel or it has
// the keyboard focus nothing is pending; when the second of the two ends, the
// full delay starts again.
class FeedbackDismissal {
public:
    static constexpr std::chrono::milliseconds defaultAfterCopy{6000};
    static constexpr std::chrono::milliseconds defaultAfterCancel{2000};

    // The timer is not owned and must outlive this object; `dismiss` runs when it fires.
    FeedbackDismissal(SingleShotTimer &timer, std::function<void()> dismiss);
    ~FeedbackDismissal();
    FeedbackDismissal(const FeedbackDismissal &) = delete;
    FeedbackDismissal &operator=(const FeedbackDismissal &) = delete;

    // Cancels a pending dismissal, then plans the one `phase` has, unless held.
    void scheduleFor(const CapturePhase &phase);
    void cancel();
    void setHovered(bool hovered, const CapturePhase &phase);
    void setFocused(bool focused, const CapturePhase &phase);
    // Neither hovered nor focused: a new operation's panel starts afresh.
    void release();

    void setDelays(std::chrono::milliseconds afterCopy, std::chrono::milliseconds afterCancel);

private:
    SingleShotTimer &timer_;
    std::chrono::milliseconds afterCopy_ = defaultAfterCopy;
    std::chrono::milliseconds afterCancel_ = defaultAfterCancel;
    bool hovered_ = false;
    bool focused_ = false;
};
