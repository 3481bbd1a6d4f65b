#include "platform/FileNameBytes.h"

#include <QFile>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Closes the descriptor behind a /proc/self/fd path with its last holder.
class HeldDescriptor {
public:
    explicit HeldDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~HeldDescriptor() { ::close(descriptor_); }
    HeldDescriptor(const HeldDescriptor &) = delete;
    HeldDescriptor &operator=(const HeldDescriptor &) = delete;

    int descriptor() const { return descriptor_; }

private:
    const int descriptor_;
};

} // namespace

FileNameBytes::Reached FileNameBytes::reach(const QByteArray &bytes)
{
    const QString text = QFile::decodeName(bytes);
    if (QFile::encodeName(text) == bytes)
        return {text, nullptr};
    // O_PATH opens nothing but the name: no device is woken, no FIFO blocks.
    const int descriptor = ::open(bytes.constData(), O_PATH | O_CLOEXEC);
    if (descriptor < 0)
        return {text, nullptr};
    auto held = std::make_shared<const HeldDescriptor>(descriptor);
    return {QStringLiteral("/proc/self/fd/%1").arg(held->descriptor()), held};
}

QByteArray FileNameBytes::absolute(const QByteArray &bytes)
{
    if (bytes.startsWith('/'))
        return bytes;
    std::unique_ptr<char, decltype(&std::free)> folder(::getcwd(nullptr, 0), &std::free);
    if (!folder)
        return bytes;
    QByteArray path(folder.get());
    if (!path.endsWith('/'))
        path += '/';
    return path + bytes;
}
