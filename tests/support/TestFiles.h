#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// The files a test lays out and reads back.

// The file's bytes; empty when it cannot be read.
QByteArray contents(const QString &path);

// Writes `bytes` to `path`, making its folder first; throws when it cannot.
void writeFile(const QString &path, const QByteArray &bytes);

// The permission bits of the file (07777 of its mode); 0 when it has none to read.
mode_t permissionBits(const QString &path);
