#include "platform/X11Extensions.h"

#include "support/Background.h"

namespace {

QCoro::Task<const xcb_query_extension_reply_t *> extensionData(xcb_connection_t *connection, xcb_extension_t *extension)
{
    // xcb caches the answer; the first call waits for the server.
    xcb_prefetch_extension_data(connection, extension);
    auto query = [connection, extension] { return xcb_get_extension_data(connection, extension); };
    const xcb_query_extension_reply_t *data = co_await Background::run(query);
    co_return data && data->present ? data : nullptr;
}

} // namespace

QCoro::Task<uint8_t> extensionOpcode(xcb_connection_t *connection, xcb_extension_t *extension)
{
    const xcb_query_extension_reply_t *data = co_await extensionData(connection, extension);
    co_return data ? data->major_opcode : uint8_t(0);
}

QCoro::Task<uint8_t> extensionFirstEvent(xcb_connection_t *connection, xcb_extension_t *extension)
{
    const xcb_query_extension_reply_t *data = co_await extensionData(connection, extension);
    co_return data ? data->first_event : uint8_t(0);
}
