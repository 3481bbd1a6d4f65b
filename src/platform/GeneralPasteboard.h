#pragma once

#include "platform/Pasteboard.h"

class QClipboard;

// The desktop clipboard through QClipboard in Clipboard mode. QClipboard has
// no change count, so one is kept here: every `changed` signal for the
// Clipboard mode (another program taking the clipboard, or our own write)
// adds one.
class GeneralPasteboard final : public Pasteboard {
public:
    explicit GeneralPasteboard(QClipboard *clipboard);

    qint64 changeCount() const override { return changeCount_; }
    QStringList types() const override;
    std::optional<QString> string() const override;
    void clearContents() override;
    bool setString(const QString &text) override;

private:
    QClipboard *clipboard_;
    qint64 changeCount_ = 0;
};
