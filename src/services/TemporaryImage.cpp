#include "services/TemporaryImage.h"

#include "models/TrovError.h"
#include "support/Background.h"
#include "support/UuidText.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QUuid>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TrovError systemError(const char *what, const QString &path)
{
    return TrovError::platformFailure(
        QStringLiteral("%1 “%2”: %3").arg(QLatin1String(what), path, QString::fromLocal8Bit(std::strerror(errno))));
}

// TMPDIR when it names a folder, else /tmp. (QDir::tempPath() resolves a
// missing TMPDIR to the empty string, which would put the folder in "/".)
QString temporaryDirectory()
{
    const QString named = qEnvironmentVariable("TMPDIR");
    struct stat status {};
    const bool usable = QDir::isAbsolutePath(named) && ::stat(QFile::encodeName(named).constData(), &status) == 0 &&
                        S_ISDIR(status.st_mode);
    return usable ? QDir::cleanPath(named) : QStringLiteral("/tmp");
}

QString newFolderPath()
{
    const QString uuid = UuidText::fresh();
    return temporaryDirectory() + QLatin1Char('/') + QLatin1String(TemporaryImage::folderPrefix) + uuid;
}

} // namespace

QCoro::Task<TemporaryImage> TemporaryImage::create(QImage image)
{
    // The folder's path crosses threads as text: QFuture needs a copyable value.
    // A named work object: GCC 12 destroys lambda temporaries inside a
    // co_await expression twice.
    auto work = [image] { return write(image); };
    const QString directory = co_await Background::run(std::move(work));
    co_return TemporaryImage(directory, directory + QLatin1Char('/') + QLatin1String(fileName));
}

TemporaryImage::TemporaryImage(QString directory, QString url) : directory_(std::move(directory)), url_(std::move(url))
{
}

TemporaryImage::TemporaryImage(TemporaryImage &&other) noexcept
    : directory_(std::exchange(other.directory_, QString())), url_(std::exchange(other.url_, QString()))
{
}

TemporaryImage &TemporaryImage::operator=(TemporaryImage &&other) noexcept
{
    directory_ = std::exchange(other.directory_, QString());
    url_ = std::exchange(other.url_, QString());
    return *this;
}

void TemporaryImage::remove()
{
    removeFolder(directory_);
}

QString TemporaryImage::write(const QImage &image)
{
    const QString directory = newFolderPath();
    // Exactly this folder, never its parents, and never one that exists already.
    if (::mkdir(QFile::encodeName(directory).constData(), 0700) != 0)
        throw systemError("Could not create the folder", directory);
    const QString url = directory + QLatin1Char('/') + QLatin1String(fileName);
    try {
        writePng(image, url);
    } catch (...) {
        removeFolder(directory);
        throw;
    }
    return directory;
}

void TemporaryImage::writePng(const QImage &image, const QString &path)
{
    // The file is created 0600, so its pixels are never readable by others,
    // not even for the moment between writing and changing the mode; fchmod
    // makes the mode exact whatever the umask.
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0)
        throw systemError("Could not create the file", path);
    QFile file;
    if (!file.open(descriptor, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        throw TrovError::of(TrovError::invalidImage);
    }
    if (::fchmod(descriptor, 0600) != 0)
        throw systemError("Could not set the permissions of", path);
    QImageWriter writer(&file, "png");
    if (!writer.write(image) || !file.flush())
        throw TrovError::of(TrovError::invalidImage);
}

void TemporaryImage::removeFolder(const QString &directory)
{
    if (directory.isEmpty() || !QDir::isAbsolutePath(directory))
        return;
    // Exactly what create() made and nothing else: the folder, never a link
    // put in its place (whose target must stay untouched), and in it the
    // file, itself unlinked rather than followed. A folder someone has put
    // more into stays.
    const QByteArray path = QFile::encodeName(directory);
    const int folder = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0)
        return;
    ::unlinkat(folder, fileName, 0);
    ::close(folder);
    ::rmdir(path.constData());
}
