#pragma once

#include <functional>

// Keeps a subscription alive: destroying (or resetting) the handle stops the
// deliveries. Safe to outlive what it subscribed to.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    ~Subscription() { cancel(); }

    Subscription(Subscription &&other) noexcept : cancel_(std::exchange(other.cancel_, {})) {}
    Subscription &operator=(Subscription &&other) noexcept
    {
        if (this != &other) {
            cancel();
            cancel_ = std::exchange(other.cancel_, {});
        }
        return *this;
    }
    Subscription(const Subscription &) = delete;
    Subscription &operator=(const Subscription &) = delete;

    void cancel()
    {
        if (auto cancel = std::exchange(cancel_, {}))
            cancel();
    }

private:
    std::function<void()> cancel_;
};
