#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

// One text of the clipboard history, the record of the history file.
struct ClipboardHistoryItem {
    ClipboardHistoryItem(QString text, QDateTime date, bool isPinned = false, QUuid id = QUuid::createUuid())
        : id(id), text(std::move(text)), date(std::move(date)), isPinned(isPinned)
    {
    }

    // Kept for the item's life, across moves and pin changes.
    QUuid id;
    // Exactly as copied, surrounding whitespace included.
    QString text;
    // When the text was last copied.
    QDateTime date;
    // Pinned items are never dropped by the size limit.
    bool isPinned;

    // Maximal runs of non-whitespace characters.
    qsizetype wordCount() const;
    // User-perceived characters (extended grapheme clusters).
    qsizetype characterCount() const;

    friend bool operator==(const ClipboardHistoryItem &, const ClipboardHistoryItem &) = default;
};
