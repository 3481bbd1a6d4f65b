#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The options the program understands. Each option is matched as a whole
// argument, case-sensitively. A valued option counts at its first occurrence
// and takes the next argument as its value whatever it looks like; as the last
// argument it is ignored. Anything else is ignored.
class CommandLineOptions {
public:
    // `arguments` is the full list, the program's path first.
    static CommandLineOptions parse(const QStringList &arguments);

    std::optional<QString> smokeTestReport;
    std::optional<QString> openImage;
    bool welcome = false;
    bool withMLX = false;

private:
    static std::optional<QString> valueOf(const QStringList &arguments, const QString &option);
};
