#pragma once

#include "platform/Pasteboard.h"

// A pasteboard that only this process sees: private pasteboards (the smoke
// test's) and anything that must not disturb the user's clipboard.
class MemoryPasteboard : public Pasteboard {
public:
    qint64 changeCount() const override { return changeCount_; }
    QStringList types() const override { return types_; }
    std::optional<QString> string() const override { return text_; }
    void clearContents() override;
    bool setString(const QString &text) override;

    // Replaces the content with `text` (none for content without text) offered
    // under the plain-text type plus `extraTypes`, as another program would.
    void setContents(std::optional<QString> text, const QStringList &extraTypes);

    static QString plainTextType();

private:
    qint64 changeCount_ = 0;
    QStringList types_;
    std::optional<QString> text_;
};
