#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// The whole content of a regular file, for decoders that want it in memory.
// Mapped where the file system allows it; read through the descriptor where
// it does not (many FUSE and network file systems, procfs), which also
// copes with files that report no size. Anything but a regular file (a FIFO,
// a device, a socket, a folder) is refused without being read, so nothing
// here can block on a writer that never comes.
class ReadOnlyFile {
public:
    // Nothing when the file cannot be opened, is not a regular file, or holds
    // more than `largestSize` bytes.
    static std::optional<ReadOnlyFile> open(const QString &path, qint64 largestSize);

    ReadOnlyFile(ReadOnlyFile &&other) noexcept;
    ReadOnlyFile &operator=(ReadOnlyFile &&other) = delete;
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;
    ~ReadOnlyFile();

    QByteArrayView bytes() const { return bytes_; }

private:
    ReadOnlyFile() = default;
    bool mapOrRead(int descriptor, qint64 reportedSize, qint64 largestSize);
    bool readAll(int descriptor, qint64 largestSize);

    void *mapping_ = nullptr;
    qsizetype mappedSize_ = 0;
    QByteArray copy_;
    QByteArrayView bytes_;
};
