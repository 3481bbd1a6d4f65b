#include "platform/MemoryPasteboard.h"

QString MemoryPasteboard::plainTextType()
{
    return QStringLiteral("text/plain");
}

void MemoryPasteboard::clearContents()
{
    setContents(std::nullopt, {});
}

bool MemoryPasteboard::setString(const QString &text)
{
    setContents(text, {});
    return true;
}

void MemoryPasteboard::setContents(std::optional<QString> text, const QStringList &extraTypes)
{
    types_.clear();
    if (text)
        types_.append(plainTextType());
    types_.append(extraTypes);
    text_ = std::move(text);
    ++changeCount_;
}
