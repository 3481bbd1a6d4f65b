#pragma once

#include "models/ClipboardHistoryItem.h"

#include <QByteArray>
#include <QList>

#include <optional>

// The history file: one compact JSON array of objects with the keys "id"
// (upper-case UUID), "text", "date" (seconds since 2001-01-01 00:00:00 UTC,
// with fraction) and "isPinned", written in that order.
class ClipboardHistoryCodec {
public:
    static QByteArray encode(const QList<ClipboardHistoryItem> &items);

    // None when the data is no such array or any record is malformed (a key
    // missing, a wrong type, an id that is no UUID). Unknown keys are ignored.
    static std::optional<QList<ClipboardHistoryItem>> decode(const QByteArray &data);

    static double secondsSinceReferenceDate(const QDateTime &date);
    static QDateTime dateFromSecondsSinceReferenceDate(double seconds);
};
