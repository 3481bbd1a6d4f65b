#pragma once

// Memory figures of a process, read from its /proc files.

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QString>

namespace ProcessMemory {

// The sum of the kB values of these fields of a /proc file.
inline qint64 kilobytes(const QString &path, const QList<QByteArray> &fields)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    qint64 total = 0;
    for (const QByteArray &line : file.readAll().split('\n')) {
        for (const QByteArray &field : fields) {
            if (line.startsWith(field + ':'))
                total += line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong();
        }
    }
    return total;
}

inline qint64 residentKilobytes(qint64 pid)
{
    return kilobytes(QStringLiteral("/proc/%1/status").arg(pid), {"VmRSS"});
}

// What the process alone holds: resident pages no other process shares.
inline qint64 privateKilobytes(qint64 pid)
{
    return kilobytes(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), {"Private_Clean", "Private_Dirty"});
}

// This process's resident memory.
inline double residentMegabytes()
{
    return residentKilobytes(QCoreApplication::applicationPid()) / 1024.0;
}

// The part of it that is the process's own working memory (heap and other
// anonymous pages), without the pages of files it maps (libraries, fonts).
inline double anonymousMegabytes()
{
    return kilobytes(QStringLiteral("/proc/%1/status").arg(QCoreApplication::applicationPid()), {"RssAnon"}) / 1024.0;
}

} // namespace ProcessMemory
