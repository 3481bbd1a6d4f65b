#include "platform/FileNameBytes.h"

#include <QFile>
#include <QMutex>

#include <array>
#include <climits>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

// The descriptors behind the /proc paths handed out, oldest replaced first.
class KeptDescriptors {
public:
    ~KeptDescriptors()
    {
        for (const int descriptor : descriptors_) {
            if (descriptor >= 0)
                ::close(descriptor);
        }
    }

    void keep(int descriptor)
    {
        const QMutexLocker locker(&mutex_);
        int &slot = descriptors_[next_];
        if (slot >= 0)
            ::close(slot);
        slot = descriptor;
        next_ = (next_ + 1) % descriptors_.size();
    }

private:
    QMutex mutex_;
    std::array<int, FileNameBytes::keptOpen> descriptors_ = filled();
    size_t next_ = 0;

    static std::array<int, FileNameBytes::keptOpen> filled()
    {
        std::array<int, FileNameBytes::keptOpen> none{};
        none.fill(-1);
        return none;
    }
};

KeptDescriptors &kept()
{
    static KeptDescriptors descriptors;
    return descriptors;
}

} // namespace

QString FileNameBytes::toPath(const QByteArray &bytes)
{
    const QString text = QFile::decodeName(bytes);
    if (QFile::encodeName(text) == bytes)
        return text;
    // O_PATH opens nothing but the name: no device is woken, no FIFO blocks.
    const int descriptor = ::open(bytes.constData(), O_PATH | O_CLOEXEC);
    if (descriptor < 0)
        return text;
    kept().keep(descriptor);
    return QStringLiteral("/proc/self/fd/%1").arg(descriptor);
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
