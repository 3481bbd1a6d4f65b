#include "platform/X11Extensions.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <xcb/xcbext.h>

#include <cstdlib>
#include <cstring>

namespace {

// How long the server gets to answer before the extension counts as missing.
constexpr int answerBoundMilliseconds = 2000;

} // namespace

void queryX11Extension(xcb_connection_t *connection, xcb_extension_t *extension,
                       std::function<void(X11ExtensionCodes codes)> answered)
{
    // xcb's own cache, which the extension's request functions read, is filled
    // by the same answer: asked for first, it has arrived once ours has.
    xcb_prefetch_extension_data(connection, extension);
    const unsigned int sequence =
        xcb_query_extension(connection, uint16_t(std::strlen(extension->name)), extension->name).sequence;
    xcb_flush(connection);

    // The poll belongs to the application object, so it goes with it.
    auto *poll = new QTimer(QCoreApplication::instance());
    poll->setTimerType(Qt::PreciseTimer);
    poll->setInterval(1);
    const QDeadlineTimer deadline(answerBoundMilliseconds);
    QObject::connect(poll, &QTimer::timeout, poll, [=, answered = std::move(answered)] {
        void *reply = nullptr;
        xcb_generic_error_t *error = nullptr;
        const bool arrived = xcb_poll_for_reply(connection, sequence, &reply, &error) != 0;
        if (!arrived && !xcb_connection_has_error(connection) && !deadline.hasExpired())
            return;
        if (!arrived)
            xcb_discard_reply(connection, sequence);
        X11ExtensionCodes codes;
        const auto *data = static_cast<const xcb_query_extension_reply_t *>(reply);
        if (data && data->present)
            codes = {data->major_opcode, data->first_event};
        std::free(reply);
        std::free(error);
        poll->stop();
        poll->deleteLater();
        answered(codes);
    });
    poll->start();
}
