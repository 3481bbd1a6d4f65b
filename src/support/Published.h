#pragma once

#include "support/Publisher.h"

// A value that tells its subscribers about every assignment, also of an equal
// value. Subscribers receive the new value while `value()` still reads the old
// one, so they can compare the two; the value is stored after the last of them.
// Its owner hands out the Publisher base, which cannot assign.
template <typename T>
class Published final : public Publisher<T> {
public:
    explicit Published(T initial) : Publisher<T>(std::move(initial)) {}

    void assign(T newValue) { this->publish(std::move(newValue)); }
};
