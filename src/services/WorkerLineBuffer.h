#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <mutex>

// Cuts a child's output into complete lines, holding at most kLimit bytes of an
// unfinished line: a child that writes without line feeds cannot make us hold
// more than that.
class WorkerLineBuffer final {
public:
    static constexpr qsizetype kLimit = 4'194'304;

    // The line reported in place of everything buffered once the limit is passed.
    static QByteArray overflowLine();

    // The lines the chunk completes, in order, without their line feeds. An
    // unterminated tail stays buffered and is never handed out on its own.
    QList<QByteArray> append(QByteArrayView chunk);

private:
    QByteArray data_;
    std::mutex lock_;
};
