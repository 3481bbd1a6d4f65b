#include "platform/X11DevicePointer.h"

#include "platform/X11Connection.h"
#include "platform/X11Extensions.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWindow>

#include <xcb/xinput.h>

#include <cmath>

namespace {

// Enough for the events of one burst of input that Qt has read but not yet
// delivered.
constexpr size_t keptSamples = 64;

// Qt rounds the device position to whole logical points.
constexpr double roundingSlack = 0.5 + 1e-6;

// Press, release or motion, by the event's code in the numbering of its extension.
QEvent::Type mouseEventType(int code, int press, int release)
{
    return code == press ? QEvent::MouseButtonPress : code == release ? QEvent::MouseButtonRelease : QEvent::MouseMove;
}

QEvent::Type pressKind(QEvent::Type type)
{
    return type == QEvent::MouseButtonDblClick ? QEvent::MouseButtonPress : type;
}

double fixedToDouble(xcb_input_fp1616_t value)
{
    return double(value) / 65536.0;
}

} // namespace

X11DevicePointer &X11DevicePointer::shared()
{
    static X11DevicePointer pointer;
    return pointer;
}

X11DevicePointer::X11DevicePointer()
{
    xcb_connection_t *connection = X11Connection::connection();
    if (!connection)
        return;
    QCoreApplication::instance()->installNativeEventFilter(this);
    // Qt reads XInput 2 pointer events when the server has them; until the
    // opcode is known only core events are recognised.
    queryX11Extension(connection, &xcb_input_id, [this](X11ExtensionCodes codes) { inputOpcode_ = codes.majorOpcode; });
}

void X11DevicePointer::record(const Sample &sample)
{
    samples_.push_back(sample);
    if (samples_.size() > keptSamples)
        samples_.pop_front();
}

bool X11DevicePointer::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const int code = event->response_type & 0x7f;
    switch (code) {
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
    case XCB_MOTION_NOTIFY: {
        // The three core events share one layout.
        const auto *core = reinterpret_cast<const xcb_button_press_event_t *>(event);
        const QEvent::Type type = mouseEventType(code, XCB_BUTTON_PRESS, XCB_BUTTON_RELEASE);
        record({type, core->time, core->event, QPointF(core->event_x, core->event_y)});
        break;
    }
    case XCB_GE_GENERIC: {
        const auto *generic = reinterpret_cast<const xcb_ge_generic_event_t *>(event);
        if (!inputOpcode_ || generic->extension != inputOpcode_)
            break;
        if (generic->event_type != XCB_INPUT_BUTTON_PRESS && generic->event_type != XCB_INPUT_BUTTON_RELEASE &&
            generic->event_type != XCB_INPUT_MOTION)
            break;
        // Press, release and motion share one layout too.
        const auto *device = reinterpret_cast<const xcb_input_button_press_event_t *>(event);
        const QEvent::Type type = mouseEventType(generic->event_type, XCB_INPUT_BUTTON_PRESS, XCB_INPUT_BUTTON_RELEASE);
        record({type, device->time, device->event,
                QPointF(fixedToDouble(device->event_x), fixedToDouble(device->event_y))});
        break;
    }
    default:
        break;
    }
    return false;
}

std::optional<QPointF> X11DevicePointer::devicePosition(const QMouseEvent &event, const QWindow &window)
{
    const QEvent::Type type = pressKind(event.type());
    const quint32 id = quint32(window.winId());
    const qreal ratio = window.devicePixelRatio();
    const QPointF logical = event.scenePosition();
    // Qt delivers in the order it read, so everything before the match is
    // stale (compressed motion, the same press from the slave device).
    for (auto sample = samples_.begin(); sample != samples_.end(); ++sample) {
        if (sample->type != type || sample->time != quint32(event.timestamp()) || sample->window != id)
            continue;
        const QPointF scaled = sample->position / ratio;
        if (std::abs(scaled.x() - logical.x()) > roundingSlack || std::abs(scaled.y() - logical.y()) > roundingSlack)
            continue;
        const QPointF position = sample->position;
        samples_.erase(samples_.begin(), std::next(sample));
        return position;
    }
    return std::nullopt;
}
