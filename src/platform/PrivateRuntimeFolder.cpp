#include "platform/PrivateRuntimeFolder.h"

#include "platform/AppDirectories.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString sharedTemporaryDirectory()
{
    const QString named = qEnvironmentVariable("TMPDIR");
    return QDir::isAbsolutePath(named) ? QDir::cleanPath(named) : QStringLiteral("/tmp");
}

} // namespace

PrivateRuntimeFolder::Choice PrivateRuntimeFolder::resolve()
{
    const QString session = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(session))
        return {QDir::cleanPath(session), {}};
    const QString own = sharedTemporaryDirectory() + QLatin1Char('/') +
                        QLatin1String(AppDirectories::bundleIdentifier) + QLatin1Char('-') +
                        QString::number(::geteuid());
    const QString problem = prepare(own);
    return {problem.isEmpty() ? own : QString(), problem};
}

QString PrivateRuntimeFolder::prepare(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("%1 cannot be created: %2").arg(path, systemText());
    struct stat status {};
    // lstat: a link is refused, not followed, whoever owns its target.
    if (::lstat(name.constData(), &status) != 0)
        return QStringLiteral("%1 cannot be read: %2").arg(path, systemText());
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("%1 is a symbolic link").arg(path);
    if (!S_ISDIR(status.st_mode))
        return QStringLiteral("%1 is not a folder").arg(path);
    if (status.st_uid != ::geteuid())
        return QStringLiteral("%1 belongs to another user").arg(path);
    if ((status.st_mode & 077) != 0)
        return QStringLiteral("%1 is open to other users (mode %2)")
            .arg(path)
            .arg(status.st_mode & 0777, 3, 8, QLatin1Char('0'));
    return {};
}
