#include "app/InstanceMessage.h"

namespace {

const QByteArray reopenWord = QByteArrayLiteral("reopen");
const QByteArray openPrefix = QByteArrayLiteral("open ");

} // namespace

QByteArray InstanceMessage::encoded() const
{
    if (kind == reopen)
        return reopenWord + '\n';
    return openPrefix + path.toPercentEncoding("/") + '\n';
}

std::optional<InstanceMessage> InstanceMessage::decode(const QByteArray &line)
{
    if (line.size() > maximumBytes)
        return std::nullopt;
    if (line == reopenWord)
        return reopenRequest();
    if (!line.startsWith(openPrefix))
        return std::nullopt;
    const QByteArray encodedPath = line.mid(openPrefix.size());
    // Every byte that matters is escaped, so raw controls, blanks or high
    // bytes mean someone else's line.
    for (const char byte : encodedPath) {
        const auto value = static_cast<unsigned char>(byte);
        if (value <= ' ' || value >= 0x7f)
            return std::nullopt;
    }
    const QByteArray path = QByteArray::fromPercentEncoding(encodedPath);
    if (!path.startsWith('/') || path.contains('\0') || path.size() > maximumPathBytes)
        return std::nullopt;
    return openRequest(path);
}
