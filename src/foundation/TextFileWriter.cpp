#include "foundation/TextFileWriter.h"

#include "foundation/AtomicFileWriter.h"
#include "foundation/Background.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

namespace {

constexpr mode_t defaultUmask = 022;

// The process's umask, read without changing it (umask() would, for every thread).
mode_t currentUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return defaultUmask;
    while (!status.atEnd()) {
        const QByteArray line = status.readLine();
        if (line.startsWith("Umask:")) {
            bool ok = false;
            const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
            return ok ? mode_t(mask) : defaultUmask;
        }
    }
    return defaultUmask;
}

// Where the text goes: through a symbolic link to the file it names.
QString resolvedTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

} // namespace

mode_t TextFileWriter::newFileMode()
{
    return 0666 & ~currentUmask();
}

std::optional<QString> TextFileWriter::write(const QString &path, const QString &text)
{
    const QString target = resolvedTarget(path);
    mode_t mode = newFileMode();
    struct stat existing {};
    if (::stat(QFile::encodeName(target).constData(), &existing) == 0)
        mode = existing.st_mode & 07777;
    int errorNumber = 0;
    if (AtomicFileWriter::write(target, text.toUtf8(), mode, {}, &errorNumber))
        return std::nullopt;
    return failureDescription(path, errorNumber);
}

QCoro::Task<std::optional<QString>> TextFileWriter::writeInBackground(QString path, QString text)
{
    auto work = [path = std::move(path), text = std::move(text)] { return write(path, text); };
    co_return co_await Background::run(std::move(work));
}

QString TextFileWriter::failureDescription(const QString &path, int errorNumber)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    const QString folder = QDir(info.absolutePath()).dirName();
    switch (errorNumber) {
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("You don’t have permission to save the file “%1” in the folder “%2”.").arg(name, folder);
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("The file “%1” couldn’t be saved because there isn’t enough space.").arg(name);
    default:
        break;
    }
    const QString reason = errorNumber ? qt_error_string(errorNumber) : QStringLiteral("The write was interrupted");
    return QStringLiteral("The file “%1” couldn’t be saved in the folder “%2”. %3.").arg(name, folder, reason);
}
