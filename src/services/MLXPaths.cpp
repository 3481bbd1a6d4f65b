#include "services/MLXPaths.h"

#include "platform/AppDirectories.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr auto rootVariable = "RAVELOND_MLX_ROOT";
constexpr auto fallbackPython = "/usr/bin/python3";

bool isExecutableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace

QString MLXPaths::root()
{
    if (qEnvironmentVariableIsSet(rootVariable))
        return QDir::current().absoluteFilePath(qEnvironmentVariable(rootVariable));
    return AppDirectories::applicationSupportDirectory() + QStringLiteral("/MLX");
}

QString MLXPaths::python()
{
    return root() + QStringLiteral("/runtime/bin/python3");
}

QString MLXPaths::model()
{
    return root() + QStringLiteral("/model");
}

QString MLXPaths::readyMarker()
{
    return root() + QStringLiteral("/ready.json");
}

bool MLXPaths::isReady()
{
    if (!isExecutableFile(python()))
        return false;
    return QFileInfo::exists(readyMarker());
}

std::optional<QString> MLXPaths::resource(const QString &scriptName)
{
    for (const QString &bundle : AppDirectories::resourceBundleCandidates()) {
        if (!QFileInfo(bundle).isDir())
            continue;
        const QString script = bundle + QStringLiteral("/MLX/") + scriptName + QStringLiteral(".py");
        if (QFileInfo(script).isFile())
            return script;
        return std::nullopt;
    }
    return std::nullopt;
}

QString MLXPaths::preferredPython()
{
    return preferredPython(pythonCandidates());
}

QString MLXPaths::preferredPython(const QStringList &candidates)
{
    for (const QString &candidate : candidates) {
        if (isExecutableFile(candidate))
            return candidate;
    }
    return QLatin1String(fallbackPython);
}

QStringList MLXPaths::pythonCandidates()
{
    return {
        QStringLiteral("/opt/homebrew/bin/python3.13"), QStringLiteral("/opt/homebrew/bin/python3.12"),
        QStringLiteral("/opt/homebrew/bin/python3"),    QStringLiteral("/usr/local/bin/python3"),
        QLatin1String(fallbackPython),
    };
}
