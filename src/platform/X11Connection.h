#pragma once

#include <array>
#include <cstdint>

struct xcb_connection_t;
struct xcb_property_notify_event_t;
class QByteArray;

// The X11 connection Qt opened, for the few requests Qt has no API for.
class X11Connection {
public:
    X11Connection() = delete;

    // Null without an X11 connection (offscreen, or no display).
    static xcb_connection_t *connection();
    static std::uint32_t rootWindow();
    // Sends the requests waiting in the connection's buffer; nothing without a connection.
    static void flush();
    // Interns an atom (a round trip); 0 without a connection.
    static std::uint32_t atom(const char *name);
    // Sends the window manager a client message of `type` about `window`
    // (through the root window, as EWMH asks); the caller flushes.
    static void sendToWindowManager(std::uint32_t window, std::uint32_t type, const std::array<std::uint32_t, 5> &data);
    // Whether an X server can be reached through $DISPLAY, tried on a
    // connection of its own before anything would abort on a missing one.
    static bool displayReachable();
    // The property change a native event filter was handed, or null when the
    // event is something else.
    static const xcb_property_notify_event_t *propertyNotify(const QByteArray &eventType, void *message);
};
