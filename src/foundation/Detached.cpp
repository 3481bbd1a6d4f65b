#include "foundation/Detached.h"

#include <cstdio>
#include <exception>

namespace {

QCoro::Task<void> reportEscapes(QCoro::Task<void> task, const char *name)
{
    try {
        co_await std::move(task);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "ravelond: %s ended with an unexpected error: %s\n", name, error.what());
    } catch (...) {
        std::fprintf(stderr, "ravelond: %s ended with an unexpected error\n", name);
    }
}

} // namespace

void Detached::start(QCoro::Task<void> task, const char *name)
{
    // The wrapper catches everything, so the task it returns can be let go.
    QCoro::Task<void> wrapper = reportEscapes(std::move(task), name);
    Q_UNUSED(wrapper);
}
