#include "foundation/AtomicFileWriter.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool writeAll(int fd, const QByteArray &content)
{
    const char *data = content.constData();
    qsizetype remaining = content.size();
    while (remaining > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(remaining));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        remaining -= written;
    }
    return true;
}

// Closes and removes the temporary file of a failed write, keeping the
// failure's errno for the caller.
bool abandon(int fd, const QByteArray &temporaryPath, int *errorNumber)
{
    const int failure = errno;
    if (fd >= 0)
        ::close(fd);
    ::unlink(temporaryPath.constData());
    if (errorNumber)
        *errorNumber = failure;
    return false;
}

} // namespace

bool AtomicFileWriter::write(const QString &path, const QByteArray &content, mode_t mode, const StepGate &gate,
                             int *errorNumber)
{
    if (errorNumber)
        *errorNumber = 0;
    const auto proceed = [&gate](Step step) { return !gate || gate(step); };
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporaryPath = target + ".XXXXXX";

    if (!proceed(Step::createTemporary))
        return false;
    // mkstemp creates the file 0600; fchmod then sets the final mode before
    // any content is written.
    const int fd = ::mkstemp(temporaryPath.data());
    if (fd < 0) {
        if (errorNumber)
            *errorNumber = errno;
        return false;
    }
    if (::fchmod(fd, mode) != 0)
        return abandon(fd, temporaryPath, errorNumber);

    // A stop leaves the files as a crash would; only the descriptor is closed.
    const auto stopAt = [&](Step step) {
        if (proceed(step))
            return false;
        ::close(fd);
        return true;
    };

    if (stopAt(Step::writeContent))
        return false;
    if (!writeAll(fd, content))
        return abandon(fd, temporaryPath, errorNumber);

    if (stopAt(Step::flushToDisk))
        return false;
    if (::fsync(fd) != 0)
        return abandon(fd, temporaryPath, errorNumber);

    if (stopAt(Step::closeTemporary))
        return false;
    if (::close(fd) != 0)
        return abandon(-1, temporaryPath, errorNumber);

    if (!proceed(Step::replaceTarget))
        return false;
    if (std::rename(temporaryPath.constData(), target.constData()) != 0)
        return abandon(-1, temporaryPath, errorNumber);
    return true;
}
