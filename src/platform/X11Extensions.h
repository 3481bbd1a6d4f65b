#pragma once

#include <xcb/xcb.h>

#include <functional>

// What the server said about an extension; zeros when it lacks it (or did not
// answer within two seconds).
struct X11ExtensionCodes {
    uint8_t majorOpcode = 0;
    uint8_t firstEvent = 0;
};

// Asks the server about an extension without blocking the GUI thread: the
// reply is polled for on the event loop and `answered` runs with it on a later
// turn. When the application object goes first, nothing runs and nothing is
// left behind (no thread is ever inside xcb when Qt closes its connection).
void queryX11Extension(xcb_connection_t *connection, xcb_extension_t *extension,
                       std::function<void(X11ExtensionCodes codes)> answered);
