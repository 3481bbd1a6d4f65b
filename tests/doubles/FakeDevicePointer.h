#pragma once

#include "platform/DevicePointer.h"

// Reports the device position the test sets for every mouse event, as the X
// server would for a pointer between two logical points.
class FakeDevicePointer : public DevicePointer {
public:
    std::optional<QPointF> devicePosition(const QMouseEvent &, const QWindow &) override { return position; }

    std::optional<QPointF> position;
};
