#include "platform/BootClockTimer.h"

#include <QSocketNotifier>

#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

BootClockTimer::BootClockTimer(QObject *parent) : QObject(parent)
{
    fd_ = timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ < 0)
        throw std::runtime_error("timerfd_create(CLOCK_BOOTTIME) failed");
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &BootClockTimer::onReadable);
}

BootClockTimer::~BootClockTimer()
{
    delete notifier_;
    close(fd_);
}

void BootClockTimer::start(std::chrono::milliseconds interval)
{
    // A zero it_value would disarm the timer instead of firing at once.
    arm(std::max<std::chrono::nanoseconds>(interval, std::chrono::nanoseconds(1)));
    active_ = true;
}

void BootClockTimer::stop()
{
    arm(std::chrono::nanoseconds(0));
    active_ = false;
}

void BootClockTimer::arm(std::chrono::nanoseconds interval)
{
    itimerspec spec{};
    spec.it_value.tv_sec = static_cast<time_t>(interval.count() / 1'000'000'000);
    spec.it_value.tv_nsec = static_cast<long>(interval.count() % 1'000'000'000);
    // Re-arming also resets the expiry count, so a stale expiry is never read.
    timerfd_settime(fd_, 0, &spec, nullptr);
}

void BootClockTimer::onReadable()
{
    std::uint64_t expirations = 0;
    if (read(fd_, &expirations, sizeof expirations) != sizeof expirations || expirations == 0)
        return; // disarmed between the notification and now
    active_ = false;
    Q_EMIT timeout();
    expire();
}
