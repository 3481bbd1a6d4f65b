#include "platform/X11Extensions.h"

#include <QCoroTimer>

#include <xcb/xcbext.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// How long the server gets to answer before the extension counts as missing.
constexpr std::chrono::seconds answerBound{2};

// The reply is polled for on the GUI thread rather than awaited on the pool: a
// pool thread blocked inside xcb would still be there when the application
// object closes Qt's connection at exit, and crash the process.
QCoro::Task<std::unique_ptr<xcb_query_extension_reply_t, decltype(&std::free)>>
queryExtension(xcb_connection_t *connection, xcb_extension_t *extension)
{
    // xcb's own cache, which the extension's request functions read, is filled
    // by the same answer: asked for first, it has arrived once ours has.
    xcb_prefetch_extension_data(connection, extension);
    const xcb_query_extension_cookie_t cookie =
        xcb_query_extension(connection, uint16_t(std::strlen(extension->name)), extension->name);
    xcb_flush(connection);
    const auto deadline = std::chrono::steady_clock::now() + answerBound;
    while (true) {
        void *reply = nullptr;
        xcb_generic_error_t *error = nullptr;
        if (xcb_poll_for_reply(connection, cookie.sequence, &reply, &error)) {
            std::free(error);
            co_return {static_cast<xcb_query_extension_reply_t *>(reply), &std::free};
        }
        if (xcb_connection_has_error(connection) || std::chrono::steady_clock::now() >= deadline) {
            xcb_discard_reply(connection, cookie.sequence);
            co_return {nullptr, &std::free};
        }
        co_await QCoro::sleepFor(std::chrono::milliseconds(1));
    }
}

} // namespace

QCoro::Task<uint8_t> extensionOpcode(xcb_connection_t *connection, xcb_extension_t *extension)
{
    const auto reply = co_await queryExtension(connection, extension);
    co_return reply && reply->present ? reply->major_opcode : uint8_t(0);
}

QCoro::Task<uint8_t> extensionFirstEvent(xcb_connection_t *connection, xcb_extension_t *extension)
{
    const auto reply = co_await queryExtension(connection, extension);
    co_return reply && reply->present ? reply->first_event : uint8_t(0);
}
