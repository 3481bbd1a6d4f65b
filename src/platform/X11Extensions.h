#pragma once

#include <QCoroTask>

#include <xcb/xcb.h>

// Asks the server about an extension without blocking the GUI thread: the
// reply is polled for on the event loop. Zero when the server lacks it (or
// does not answer within two seconds).
QCoro::Task<uint8_t> extensionOpcode(xcb_connection_t *connection, xcb_extension_t *extension);
// The first event code of an extension, likewise.
QCoro::Task<uint8_t> extensionFirstEvent(xcb_connection_t *connection, xcb_extension_t *extension);
