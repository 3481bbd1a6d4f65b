#pragma once

#include <QCoroTask>

#include <utility>

// Runs an awaitable to completion on the test's event loop and returns its value
// (rethrowing its exception). Only tests may wait like this.
template <typename Awaitable>
decltype(auto) await(Awaitable &&awaitable)
{
    return QCoro::waitFor(std::forward<Awaitable>(awaitable));
}
