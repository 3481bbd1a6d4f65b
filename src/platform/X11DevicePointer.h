#pragma once

#include "platform/DevicePointer.h"

#include <QAbstractNativeEventFilter>
#include <QEvent>

#include <deque>

// Reads the pointer's device-pixel position from the X events Qt handles:
// every pointer event passes this filter before Qt turns it into a mouse event
// in whole logical points. The last few are kept, and a mouse event is matched
// to its X event by kind, window, server time and the rounded position.
class X11DevicePointer : public DevicePointer, public QAbstractNativeEventFilter {
public:
    // The filter is installed on the running application, once.
    static X11DevicePointer &shared();

    std::optional<QPointF> devicePosition(const QMouseEvent &event, const QWindow &window) override;
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    // One pointer event as the X server reported it.
    struct Sample {
        QEvent::Type type;
        quint32 time;
        quint32 window;
        QPointF position;
    };
    // Keeps `sample` for the mouse event Qt will make of it.
    void record(const Sample &sample);

private:
    X11DevicePointer();

    uint8_t inputOpcode_ = 0;
    std::deque<Sample> samples_;
};
