#include "support/ChildProcesses.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct ProcessStat {
    char state = '?';
    pid_t parent = 0;
};

// /proc/<pid>/stat: "pid (comm) state ppid ..."; comm may contain spaces and parentheses.
std::optional<ProcessStat> readStat(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray content = file.readAll();
    const qsizetype end = content.lastIndexOf(')');
    if (end < 0)
        return std::nullopt;
    const QList<QByteArray> fields = content.mid(end + 2).split(' ');
    if (fields.size() < 2 || fields[0].isEmpty())
        return std::nullopt;
    return ProcessStat{fields[0].at(0), static_cast<pid_t>(fields[1].toInt())};
}

QList<pid_t> children()
{
    QList<pid_t> result;
    const pid_t self = getpid();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isNumber = false;
        const pid_t pid = static_cast<pid_t>(entry.toInt(&isNumber));
        if (!isNumber)
            continue;
        const auto stat = readStat(pid);
        if (stat && stat->parent == self)
            result.append(pid);
    }
    return result;
}

} // namespace

void ChildProcesses::adoptOrphans()
{
    prctl(PR_SET_CHILD_SUBREAPER, 1);
}

QList<pid_t> ChildProcesses::living()
{
    QList<pid_t> result;
    for (pid_t pid : children()) {
        if (isAlive(pid))
            result.append(pid);
    }
    return result;
}

void ChildProcesses::reapExited()
{
    for (pid_t pid : children()) {
        if (isZombie(pid))
            waitpid(pid, nullptr, WNOHANG);
    }
}

bool ChildProcesses::waitUntilNoneLeft(std::chrono::milliseconds limit)
{
    const bool none = QTest::qWaitFor([] { return living().isEmpty(); }, static_cast<int>(limit.count()));
    reapExited();
    return none;
}

bool ChildProcesses::isAlive(pid_t pid)
{
    const auto stat = readStat(pid);
    return stat && stat->state != 'Z' && stat->state != 'X';
}

bool ChildProcesses::isZombie(pid_t pid)
{
    const auto stat = readStat(pid);
    return stat && stat->state == 'Z';
}
