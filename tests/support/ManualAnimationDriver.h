#pragma once

#include <QAnimationDriver>

// Drives every Qt animation of the process by hand while it exists: time
// stands still until advance() moves it on, in 16 ms frames, so a test or a
// picture sees an animation exactly at a given moment. Advancing first runs
// the events waiting, since Qt registers a started animation through queued calls.
class ManualAnimationDriver : public QAnimationDriver {
public:
    ManualAnimationDriver();
    ~ManualAnimationDriver() override;

    void advance(int milliseconds);
    // Since the animations last started running: Qt adds it to its own clock
    // as it stood then.
    qint64 elapsed() const override { return elapsed_ - startedAt_; }

protected:
    void start() override;

private:
    qint64 elapsed_ = 0;
    qint64 startedAt_ = 0;
};
