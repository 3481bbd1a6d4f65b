#pragma once

#include "platform/Pasteboard.h"
#include "platform/X11ServerTime.h"

#include <QPointer>

class QClipboard;
class QMimeData;

// The desktop clipboard through QClipboard in Clipboard mode. QClipboard has
// no change count, so one is kept here: every `changed` signal for the
// Clipboard mode (another program taking the clipboard, or our own write)
// adds one.
class GeneralPasteboard : public Pasteboard {
public:
    explicit GeneralPasteboard(QClipboard *clipboard);

    qint64 changeCount() const override { return changeCount_; }
    QStringList types() const override;
    std::optional<QString> string() const override;
    void clearContents() override;
    // True only when, after the write, the clipboard is ours and offers `text`.
    bool setString(const QString &text) override;
    QCoro::Task<> catchUp(std::stop_token token) override;

private:
    // Whether the clipboard is held by this process with the content it
    // wrote last, and that content is `text`.
    bool holdsOwn(const QString &text) const;

    QClipboard *clipboard_;
    // What this process put on the clipboard last; Qt owns it and deletes it
    // once another program has taken the clipboard.
    QPointer<QMimeData> written_;
    qint64 changeCount_ = 0;
    X11ServerTime serverTime_;
};
