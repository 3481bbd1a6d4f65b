#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <sys/types.h>

// Replaces a file whole: a reader (or a crash at any moment) sees the old file
// or the new one, never a part of one. The new content is written to a
// temporary file in the same folder, created with its final mode, so it is
// never readable by anyone else, not even while it is being written; it is
// flushed to disk and then renamed over the old file.
class AtomicFileWriter {
public:
    enum class Step { createTemporary, writeContent, flushToDisk, closeTemporary, replaceTarget };

    // Asked before each step; returning false stops the write there and then,
    // without any clean-up, as if the process had died at that point.
    using StepGate = std::function<bool(Step)>;

    // False when any step failed; the old file is then left as it was, and
    // `errorNumber` (when given) receives the failed call's errno (0 for a
    // stop by the gate).
    static bool write(const QString &path, const QByteArray &content, mode_t mode, const StepGate &gate = {},
                      int *errorNumber = nullptr);
};
