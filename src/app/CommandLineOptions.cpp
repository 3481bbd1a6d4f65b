#include "app/CommandLineOptions.h"

#include <QDir>

CommandLineOptions CommandLineOptions::parse(const QStringList &arguments)
{
    const QStringList options = arguments.mid(1);
    CommandLineOptions result;
    result.smokeTestReport = valueOf(options, QStringLiteral("--smoke-test"));
    result.openImage = valueOf(options, QStringLiteral("--open-image"));
    result.welcome = options.contains(QStringLiteral("--welcome"));
    result.withMLX = options.contains(QStringLiteral("--with-mlx"));
    return result;
}

std::optional<QString> CommandLineOptions::valueOf(const QStringList &arguments, const QString &option)
{
    const qsizetype index = arguments.indexOf(option);
    if (index < 0 || index + 1 >= arguments.size())
        return std::nullopt;
    // A relative path is taken relative to the current directory, unchanged otherwise.
    return QDir::current().absoluteFilePath(arguments.at(index + 1));
}
