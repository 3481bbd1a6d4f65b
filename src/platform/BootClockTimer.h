#pragma once

#include "foundation/SingleShotTimer.h"

#include <QObject>

#include <chrono>

class QSocketNotifier;

// A single-shot timer on CLOCK_BOOTTIME. QTimer counts on the monotonic clock,
// which stops while the machine sleeps; a time-out that must include the time
// spent suspended (the user closed the lid mid-recognition) needs this one.
class BootClockTimer : public QObject, public SingleShotTimer {
    Q_OBJECT
public:
    explicit BootClockTimer(QObject *parent = nullptr);
    ~BootClockTimer() override;

    // (Re)arms the timer; a previous expiry that has not been delivered is dropped.
    void start(std::chrono::milliseconds interval) override;
    void stop() override;
    bool isActive() const override { return active_; }

Q_SIGNALS:
    void timeout();

private:
    void onReadable();
    void arm(std::chrono::nanoseconds interval);

    int fd_ = -1;
    QSocketNotifier *notifier_ = nullptr;
    bool active_ = false;
};
