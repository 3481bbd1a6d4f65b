#pragma once

#include "support/Subscription.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// The read side of a published value: its current value and subscriptions to
// every later assignment (see Published, which adds the assignment).
template <typename T>
class Publisher {
public:
    using Callback = std::function<void(const T &)>;

    Publisher(const Publisher &) = delete;
    Publisher &operator=(const Publisher &) = delete;

    const T &value() const { return value_; }

    // With `includeCurrent` the callback first receives the value of now.
    [[nodiscard]] Subscription subscribe(Callback callback, bool includeCurrent)
    {
        auto shared = std::make_shared<Callback>(std::move(callback));
        const std::uint64_t id = nextId_++;
        subscribers_->push_back({id, shared});
        std::weak_ptr<std::vector<Entry>> list = subscribers_;
        Subscription subscription([list, id] {
            if (auto subscribers = list.lock())
                std::erase_if(*subscribers, [id](const Entry &entry) { return entry.id == id; });
        });
        if (includeCurrent)
            (*shared)(value_);
        return subscription;
    }

protected:
    explicit Publisher(T initial) : value_(std::move(initial)) {}
    ~Publisher() = default;

    // Tells the subscribers, then stores the value.
    void publish(T newValue)
    {
        // A subscriber may cancel itself or others while being told: deliver to
        // the subscribers of now that are still subscribed when their turn comes.
        const std::vector<Entry> receivers = *subscribers_;
        for (const Entry &receiver : receivers) {
            if (isSubscribed(receiver.id))
                (*receiver.callback)(newValue);
        }
        value_ = std::move(newValue);
    }

private:
    struct Entry {
        std::uint64_t id;
        std::shared_ptr<Callback> callback;
    };

    bool isSubscribed(std::uint64_t id) const
    {
        for (const Entry &entry : *subscribers_) {
            if (entry.id == id)
                return true;
        }
        return false;
    }

    T value_;
    std::shared_ptr<std::vector<Entry>> subscribers_ = std::make_shared<std::vector<Entry>>();
    std::uint64_t nextId_ = 0;
};
