#include "services/TemporaryImage.h"

#include "foundation/Background.h"
#include "foundation/UuidText.h"
#include "models/TrovError.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QRegularExpression>
#include <QUuid>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

// Exactly the names create() gives, so nothing else in the folder is touched.
bool isCropFolderName(const char *name)
{
    static const QRegularExpression pattern(
        QStringLiteral("^%1[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$")
            .arg(QRegularExpression::escape(QLatin1String(TemporaryImage::folderPrefix))));
    return pattern.match(QLatin1String(name)).hasMatch();
}

// Removes the crop folder `name` in `parent` if this user owns it and no living process holds its lock.
void removeIfAbandoned(int parent, const char *name)
{
    const int folder = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0)
        return;
    struct stat status {};
    const bool ours = ::fstat(folder, &status) == 0 && status.st_uid == ::geteuid();
    // Held while the folder goes, so its maker, waiting for the lock, finds it gone and makes another.
    if (ours && ::flock(folder, LOCK_EX | LOCK_NB) == 0) {
        ::unlinkat(folder, TemporaryImage::fileName, 0);
        ::unlinkat(parent, name, AT_REMOVEDIR);
    }
    ::close(folder);
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
    const Written written = co_await Background::run(std::move(work));
    co_return TemporaryImage(written.directory, written.directory + QLatin1Char('/') + QLatin1String(fileName),
                             written.lock);
}

TemporaryImage::TemporaryImage(QString directory, QString url, int lock)
    : directory_(std::move(directory)), url_(std::move(url)), lock_(lock)
{
}

TemporaryImage::TemporaryImage(TemporaryImage &&other) noexcept
    : directory_(std::exchange(other.directory_, QString())), url_(std::exchange(other.url_, QString())),
      lock_(std::exchange(other.lock_, -1))
{
}

TemporaryImage &TemporaryImage::operator=(TemporaryImage &&other) noexcept
{
    if (this != &other) {
        if (lock_ >= 0)
            ::close(lock_);
        directory_ = std::exchange(other.directory_, QString());
        url_ = std::exchange(other.url_, QString());
        lock_ = std::exchange(other.lock_, -1);
    }
    return *this;
}

TemporaryImage::~TemporaryImage()
{
    if (lock_ >= 0)
        ::close(lock_);
}

void TemporaryImage::remove()
{
    removeFolder(directory_);
    if (lock_ >= 0)
        ::close(std::exchange(lock_, -1));
}

void TemporaryImage::sweepAbandoned()
{
    const QByteArray parentPath = QFile::encodeName(temporaryDirectory());
    const int parent = ::open(parentPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0)
        return;
    // A descriptor of its own: closedir() closes it.
    DIR *entries = ::fdopendir(::dup(parent));
    while (const dirent *entry = entries ? ::readdir(entries) : nullptr) {
        if (isCropFolderName(entry->d_name))
            removeIfAbandoned(parent, entry->d_name);
    }
    if (entries)
        ::closedir(entries);
    ::close(parent);
}

TemporaryImage::Written TemporaryImage::write(const QImage &image)
{
    QString directory;
    int lock = -1;
    // A sweep at start-up may take a folder in the moment between its making
    // and its locking: then another name is tried.
    for (int attempt = 0; lock < 0 && attempt < 3; ++attempt) {
        directory = newFolderPath();
        lock = makeLockedFolder(directory);
    }
    if (lock < 0)
        throw TrovError::platformFailure(QStringLiteral("Could not keep the folder “%1”").arg(directory));
    const QString url = directory + QLatin1Char('/') + QLatin1String(fileName);
    try {
        writePng(image, url);
    } catch (...) {
        removeFolder(directory);
        ::close(lock);
        throw;
    }
    return {directory, lock};
}

int TemporaryImage::makeLockedFolder(const QString &directory)
{
    const QByteArray path = QFile::encodeName(directory);
    // Exactly this folder, never its parents, and never one that exists already.
    if (::mkdir(path.constData(), 0700) != 0)
        throw systemError("Could not create the folder", directory);
    const int folder = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) {
        const TrovError error = systemError("Could not open the folder", directory);
        ::rmdir(path.constData());
        throw error;
    }
    struct stat status {};
    if (::flock(folder, LOCK_EX) != 0 || ::fstat(folder, &status) != 0 || status.st_nlink == 0) {
        ::close(folder);
        return -1;
    }
    return folder;
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
