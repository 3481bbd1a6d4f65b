#include "platform/AppDirectories.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace {
constexpr auto resourceBundleName = "Ravelond_Ravelond.bundle";
}

QString AppDirectories::applicationSupportDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') +
           QLatin1String(bundleIdentifier);
}

QString AppDirectories::defaultsDomainFile(const QString &domain)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + domain +
           QLatin1String(".conf");
}

QStringList AppDirectories::resourceBundleCandidates()
{
    const QDir executableDir(QCoreApplication::applicationDirPath());
    return {
        QDir::cleanPath(
            executableDir.filePath(QLatin1String("../share/ravelond/") + QLatin1String(resourceBundleName))),
        QDir::cleanPath(executableDir.filePath(QLatin1String(resourceBundleName))),
    };
}
