#include "platform/ReadOnlyFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes the descriptor on every way out; a mapping outlives it.
class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    ~Descriptor()
    {
        if (descriptor_ >= 0)
            ::close(descriptor_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

} // namespace

std::optional<ReadOnlyFile> ReadOnlyFile::open(const QString &path, qint64 largestSize)
{
    // O_NONBLOCK: opening a FIFO without a writer, or some devices, would
    // otherwise wait; the type is checked on the open descriptor, so the
    // file cannot be swapped between the check and the read.
    const Descriptor descriptor(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (descriptor.get() < 0 || ::fstat(descriptor.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    if (status.st_size > largestSize)
        return std::nullopt;
    ReadOnlyFile file;
    if (!file.mapOrRead(descriptor.get(), status.st_size, largestSize))
        return std::nullopt;
    return file;
}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile &&other) noexcept
    : mapping_(std::exchange(other.mapping_, nullptr)), mappedSize_(std::exchange(other.mappedSize_, 0)),
      copy_(std::move(other.copy_)), bytes_(std::exchange(other.bytes_, QByteArrayView()))
{
    if (!mapping_)
        bytes_ = copy_;
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (mapping_)
        ::munmap(mapping_, size_t(mappedSize_));
}

bool ReadOnlyFile::mapOrRead(int descriptor, qint64 reportedSize, qint64 largestSize)
{
    if (reportedSize > 0) {
        void *mapping = ::mmap(nullptr, size_t(reportedSize), PROT_READ, MAP_PRIVATE, descriptor, 0);
        if (mapping != MAP_FAILED) {
            mapping_ = mapping;
            mappedSize_ = qsizetype(reportedSize);
            bytes_ = QByteArrayView(static_cast<const char *>(mapping), mappedSize_);
            return true;
        }
    }
    return readAll(descriptor, largestSize);
}

bool ReadOnlyFile::readAll(int descriptor, qint64 largestSize)
{
    // The descriptor was opened non-blocking; a regular file ignores that.
    constexpr qsizetype chunk = 1 << 16;
    for (;;) {
        if (copy_.size() > largestSize)
            return false;
        const qsizetype used = copy_.size();
        copy_.resize(used + chunk);
        const ssize_t count = ::read(descriptor, copy_.data() + used, size_t(chunk));
        if (count < 0 && errno == EINTR) {
            copy_.resize(used);
            continue;
        }
        if (count < 0)
            return false;
        copy_.resize(used + count);
        if (count == 0)
            break;
    }
    if (copy_.size() > largestSize)
        return false;
    bytes_ = copy_;
    return true;
}
