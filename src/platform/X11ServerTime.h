#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <QCoroTask>

#include <chrono>
#include <cstdint>
#include <stop_token>

// Brings Qt's notion of the X server's time up to now. Qt stamps its selection
// requests with the time of the last event it handled; when another program
// took the clipboard later than that (without our window losing it, so no
// event told us), the server refuses our write as older than theirs. A property
// change on a window of our own comes back as an event carrying the server's
// current time, and Qt takes its clock from it.
class X11ServerTime final : public QObject, private QAbstractNativeEventFilter {
    Q_OBJECT

public:
    explicit X11ServerTime(QObject *parent = nullptr);
    ~X11ServerTime() override;

    // Resumes once Qt has handled an event stamped after this call; at once
    // without an X11 connection, after `patience` when the event never comes,
    // and from the event loop as soon as `token` is stopped.
    QCoro::Task<> catchUp(std::stop_token token, std::chrono::milliseconds patience = std::chrono::milliseconds(1000));

Q_SIGNALS:
    void caughtUp();

private:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
    bool ensureWindow();

    std::uint32_t window_ = 0;
    std::uint32_t atom_ = 0;
};
