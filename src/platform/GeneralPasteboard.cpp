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
    clipboard_->setText(text, QClipboard::Clipboard);
    // QClipboard reports no failure: on X11 a refused or lost ownership is
    // only a warning, and Qt keeps our text as if it had been taken.
    return holdsOwn(text);
}

bool GeneralPasteboard::holdsOwn(const QString &text) const
{
    xcb_connection_t *connection = X11Connection::connection();
    if (connection) {
        // Asking the server who owns the clipboard is one round trip; reading
        // the content of another owner would wait for that program.
        const std::optional<xcb_window_t> owner = clipboardOwner(connection);
        if (!owner || !createdBy(connection, *owner))
            return false;
    }
    // Ours, so Qt answers from the text it keeps, without asking the server.
    const QMimeData *data = clipboard_->mimeData(QClipboard::Clipboard);
    return data && data->hasText() && data->text() == text;
}

QCoro::Task<> GeneralPasteboard::catchUp()
{
    co_await serverTime_.catchUp();
}
