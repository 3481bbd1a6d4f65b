#include "platform/OpenMPThreadLimit.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

constexpr const char *variable = "OMP_THREAD_LIMIT";
// Guards against an exec loop should the exec somehow lose the variable.
constexpr const char *reexecMarker = "RAVELOND_OMP_REEXEC";
// Carries the user's own value across the exec: "=" and the value, or "-"
// when there was none.
constexpr const char *inheritedMarker = "RAVELOND_OMP_INHERITED";

struct Inherited {
    bool known = false;
    std::optional<std::string> value;
};

Inherited &inherited()
{
    static Inherited state;
    return state;
}

void remember(const char *value)
{
    inherited().known = true;
    inherited().value = value ? std::optional<std::string>(value) : std::nullopt;
}

} // namespace

void OpenMPThreadLimit::enforceSingleThread(char **argv)
{
    if (const char *carried = std::getenv(inheritedMarker)) {
        remember(carried[0] == '=' ? carried + 1 : nullptr);
        unsetenv(inheritedMarker);
    }
    const char *current = std::getenv(variable);
    if (current && std::strcmp(current, "1") == 0) {
        if (!inherited().known)
            remember(current);
        unsetenv(reexecMarker);
        return;
    }
    if (std::getenv(reexecMarker))
        return;
    remember(current);
    setenv(inheritedMarker, current ? (std::string("=") + current).c_str() : "-", 1);
    setenv(variable, "1", 1);
    setenv(reexecMarker, "1", 1);
    execv("/proc/self/exe", argv);
    // The exec failed: carry on with whatever threading the runtime chose.
    unsetenv(inheritedMarker);
}

QProcessEnvironment OpenMPThreadLimit::childEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!inherited().known)
        return environment;
    const QString name = QLatin1String(variable);
    if (inherited().value)
        environment.insert(name, QString::fromLocal8Bit(inherited().value->c_str()));
    else
        environment.remove(name);
    return environment;
}
