#include "services/WorkerLineBuffer.h"

QByteArray WorkerLineBuffer::overflowLine()
{
    return QByteArrayLiteral(R"({"type":"startup_error","error":"Worker output exceeded its limit."})");
}

QList<QByteArray> WorkerLineBuffer::append(QByteArrayView chunk)
{
    const std::lock_guard guard(lock_);
    data_.append(chunk);
    if (data_.size() > kLimit) {
        // Everything buffered is dropped, complete lines of this chunk included:
        // the child is misbehaving and the client stops it.
        data_ = QByteArray();
        return {overflowLine()};
    }
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype feed = data_.indexOf('\n'); feed >= 0; feed = data_.indexOf('\n', start)) {
        lines.append(data_.sliced(start, feed - start));
        start = feed + 1;
    }
    data_.remove(0, start);
    return lines;
}
