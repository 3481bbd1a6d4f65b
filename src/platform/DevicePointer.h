#pragma once

#include <QPointF>

#include <optional>

class QMouseEvent;
class QWindow;

// Where the pointer really was for a mouse event, in device pixels. Qt 6.4's
// xcb events carry whole logical points, so at a scale of 2 or 1.5 the device
// pixel under the pointer cannot be told from the event alone.
class DevicePointer {
public:
    virtual ~DevicePointer() = default;
    // The pointer's position for `event`, in device pixels from the top-left
    // corner of `window` (the window the event was delivered to); none when
    // the platform did not report it (a synthesised event, another platform).
    virtual std::optional<QPointF> devicePosition(const QMouseEvent &event, const QWindow &window) = 0;
};
