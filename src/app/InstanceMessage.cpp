#include "app/InstanceMessage.h"

#include <QDir>

namespace {

const QByteArray reopenWord = QByteArrayLiteral("reopen");
const QByteArray openPrefix = QByteArrayLiteral("open ");

} // namespace

QByteArray InstanceMessage::encoded() const
{
    if (kind == reopen)
        return reopenWord + '\n';
    return openPrefix + path.toUtf8().toPercentEncoding("/") + '\n';
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
    // Every byte that matters is escaped, so raw controls or blanks mean someone else's line.
    for (const char byte : encodedPath) {
        if (static_cast<unsigned char>(byte) <= ' ' || byte == 0x7f)
            return std::nullopt;
    }
    const QString path = QString::fromUtf8(QByteArray::fromPercentEncoding(encodedPath));
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || path.contains(QChar(0)))
        return std::nullopt;
    return openRequest(path);
}
