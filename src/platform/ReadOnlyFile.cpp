#include "platform/ReadOnlyFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

// Large enough that a big photo takes few system calls, small enough that a
// change in the middle of it is seen by the next read.
constexpr qsizetype chunkSize = qsizetype(1) << 20;

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Every write or truncation moves the modification time, every change of
// the links (a deletion) the change time.
bool sameContent(const struct stat &a, const struct stat &b)
{
    return sameFile(a, b) && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
           a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

} // namespace

std::optional<ReadOnlyFile> ReadOnlyFile::open(const QString &path, qint64 largestSize, const ChunkObserver &afterChunk)
{
    // O_NONBLOCK: opening a FIFO without a writer, or some devices, would
    // otherwise wait; the type is checked on the open descriptor, so the
    // file cannot be swapped between the check and the read.
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > largestSize) {
        ::close(descriptor);
        return std::nullopt;
    }
    ReadOnlyFile file(path, descriptor, status);
    if (!file.readAll(largestSize, afterChunk) || !file.isUnchanged())
        return std::nullopt;
    return file;
}

ReadOnlyFile::ReadOnlyFile(QString path, int descriptor, const struct stat &status)
    : path_(std::move(path)), descriptor_(descriptor), opened_(status)
{
}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile &&other) noexcept
    : path_(std::move(other.path_)), descriptor_(std::exchange(other.descriptor_, -1)), opened_(other.opened_),
      bytes_(std::move(other.bytes_))
{
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

bool ReadOnlyFile::readAll(qint64 largestSize, const ChunkObserver &afterChunk)
{
    // A file that reports its size is read to one byte past it, so that one
    // that grew is noticed too; one that reports none is read to its end.
    const qint64 reportedSize = opened_.st_size;
    if (reportedSize > 0)
        bytes_.reserve(qsizetype(reportedSize) + 1);
    for (;;) {
        const qsizetype used = bytes_.size();
        const qsizetype wanted =
            reportedSize > 0 ? std::clamp<qsizetype>(qsizetype(reportedSize) + 1 - used, 1, chunkSize) : chunkSize;
        bytes_.resize(used + wanted);
        const ssize_t count = ::read(descriptor_, bytes_.data() + used, size_t(wanted));
        bytes_.resize(used + std::max<qsizetype>(count, 0));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 || bytes_.size() > largestSize)
            return false;
        if (count == 0)
            break;
        if (afterChunk)
            afterChunk(bytes_.size());
    }
    return reportedSize == 0 || bytes_.size() == reportedSize;
}

bool ReadOnlyFile::isUnchanged() const
{
    struct stat now {};
    struct stat named {};
    return ::fstat(descriptor_, &now) == 0 && now.st_nlink > 0 && sameContent(opened_, now) &&
           ::stat(QFile::encodeName(path_).constData(), &named) == 0 && sameFile(opened_, named);
}
