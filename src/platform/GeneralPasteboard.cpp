#include "platform/GeneralPasteboard.h"

#include <QClipboard>
#include <QMimeData>

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
    // QClipboard reports no failure (on X11 a refused selection ownership is
    // only a warning), so read back what the clipboard now offers.
    const QMimeData *data = clipboard_->mimeData(QClipboard::Clipboard);
    return data && data->hasText() && data->text() == text;
}
