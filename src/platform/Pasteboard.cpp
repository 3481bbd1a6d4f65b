#include "platform/Pasteboard.h"

#include "platform/GeneralPasteboard.h"
#include "platform/MemoryPasteboard.h"

#include <QGuiApplication>

#include <map>
#include <memory>

namespace {

std::map<QString, std::unique_ptr<MemoryPasteboard>> &namedPasteboards()
{
    static std::map<QString, std::unique_ptr<MemoryPasteboard>> pasteboards;
    return pasteboards;
}

} // namespace

QCoro::Task<> Pasteboard::catchUp(std::stop_token)
{
    co_return;
}

Pasteboard &Pasteboard::general()
{
    static GeneralPasteboard pasteboard(QGuiApplication::clipboard());
    return pasteboard;
}

Pasteboard &Pasteboard::named(const QString &name)
{
    std::unique_ptr<MemoryPasteboard> &slot = namedPasteboards()[name];
    if (!slot)
        slot = std::make_unique<MemoryPasteboard>();
    return *slot;
}

void Pasteboard::releaseNamed(const QString &name)
{
    namedPasteboards().erase(name);
}
