#include "platform/GeneralPasteboard.h"

#include "platform/X11Connection.h"

#include <QClipboard>
#include <QMimeData>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

// The window that owns the X11 clipboard, none without an X11 connection.
std::optional<xcb_window_t> clipboardOwner(xcb_connection_t *connection)
{
    static const xcb_atom_t clipboard = X11Connection::atom("CLIPBOARD");
    xcb_get_selection_owner_reply_t *reply =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, clipboard), nullptr);
    if (!reply)
        return std::nullopt;
    const xcb_window_t owner = reply->owner;
    std::free(reply);
    return owner;
}

// Every resource a client creates carries its connection's id base.
bool createdBy(xcb_connection_t *connection, xcb_window_t window)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    return window != XCB_NONE && (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

} // namespace

GeneralPasteboard::GeneralPasteboard(QClipboard *clipboard) : clipboard_(clipboard)
{
    // The clipboard itself is the context: the connection ends with it.
    QObject::connect(clipboard_, &QClipboard::changed, clipboard_, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            ++changeCount_;
    });
}

QStringList GeneralPasteboard::types() const
{
    const QMimeData *data = clipboard_->mimeData(QClipboard::Clipboard);
    return data ? data->formats() : QStringList();
}

std::optional<QString> GeneralPasteboard::string() const
{
    const QMimeData *data = clipboard_->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text();
}

void GeneralPasteboard::clearContents()
{
    clipboard_->clear(QClipboard::Clipboard);
}

bool GeneralPasteboard::setString(const QString &text)
{
    auto *data = new QMimeData;
    data->setText(text);
    written_ = data;
    clipboard_->setMimeData(data, QClipboard::Clipboard);
    // QClipboard reports no failure: on X11 a refused or lost ownership is
    // only a warning, and Qt keeps our text as if it had been taken.
    return holdsOwn(text);
}

bool GeneralPasteboard::holdsOwn(const QString &text) const
{
    if (!written_ || written_->text() != text)
        return false;
    xcb_connection_t *connection = X11Connection::connection();
    // Without X11 the clipboard lives in this process: handing it our content
    // cannot be refused, and asking for it back never waits for anyone.
    if (!connection)
        return clipboard_->mimeData(QClipboard::Clipboard) == written_;
    // Asking the server who owns the clipboard is one round trip. The content
    // is never read back through QClipboard: had another program taken the
    // clipboard in the meantime, Qt would wait for that program to convert it.
    const std::optional<xcb_window_t> owner = clipboardOwner(connection);
    return owner && createdBy(connection, *owner);
}

QCoro::Task<> GeneralPasteboard::catchUp(std::stop_token token)
{
    co_await serverTime_.catchUp(std::move(token));
}
