#pragma once

#include "platform/ActivationWatcher.h"

#include <QAbstractNativeEventFilter>

// Follows the root window's _NET_ACTIVE_WINDOW, which the window manager
// changes whenever another window (of any application) becomes active, and
// this application's own activation.
class X11ActivationWatcher final : public ActivationWatcher, private QAbstractNativeEventFilter {
public:
    explicit X11ActivationWatcher(QObject *parent = nullptr);
    ~X11ActivationWatcher() override;

private:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    quint32 activeWindowAtom_ = 0;
    quint32 root_ = 0;
};
