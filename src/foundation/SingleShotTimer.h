#pragma once

#include <chrono>
#include <functional>

// A timer that fires once per start. An interface, so that what waits on one
// (the feedback panel's dismissal) can be driven by a test's own clock.
class SingleShotTimer {
public:
    using Handler = std::function<void()>;

    virtual ~SingleShotTimer() = default;

    // (Re)arms the timer; an earlier expiry that has not fired is dropped.
    virtual void start(std::chrono::milliseconds interval) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

    // Called on every expiry; one handler at a time.
    void setHandler(Handler handler) { handler_ = std::move(handler); }

protected:
    void expire()
    {
        if (handler_)
            handler_();
    }

private:
    Handler handler_;
};
