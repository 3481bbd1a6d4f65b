#pragma once

#include "support/Subscription.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// A value that tells its subscribers about every assignment, also of an equal
// value. Subscribers receive the new value while `value()` still reads the old
// one, so they can compare the two; the value is stored after the last of them.
template <typename T>
class Published {
public:
    using Callback = std::function<void(const T &)>;

    explicit Published(T initial) : value_(std::move(initial)) {}
    Published(const Published &) = delete;
    Published &operator=(const Published &) = delete;

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

    void assign(T newValue)
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
