#pragma once

#include "models/ClipboardHistoryItem.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUuid>

#include <stop_token>

// The history's search: which items a search text finds. The search is
// trimmed of White_Space at both ends; an empty one finds every item. An item
// matches when its text contains the search as a substring, ignoring case and
// diacritics. Each item's folded text is made once and kept by the item's id
// (an item's text never changes), so a keystroke only compares. Without a
// search, filtering costs nothing per item.
class ClipboardHistorySearch {
public:
    // Folds of items gone that are kept, at most, until the next search.
    static constexpr qsizetype forgottenLater = 64;

    // The matching items, in the order of `items`. Forgets the folded texts of
    // items no longer among `items`: at once with a search, and once more
    // than `forgottenLater` could be among them without one.
    QList<ClipboardHistoryItem> filter(const QList<ClipboardHistoryItem> &items, const QString &search);

    // The search as it is compared: trimmed and folded; empty finds everything.
    static QString prepared(const QString &search);

    qsizetype cachedCount() const { return folded_.size(); }

    // Folding ahead of the first search, elsewhere: the texts of `items` not
    // folded yet, their folds (made on any thread; what was folded when a
    // stop was asked for), and taking them in. Folds of items gone meanwhile
    // are forgotten as any others.
    QHash<QUuid, QString> unfoldedTexts(const QList<ClipboardHistoryItem> &items) const;
    static QHash<QUuid, QString> foldedTexts(QHash<QUuid, QString> texts, std::stop_token token = {});
    void keepFolded(const QHash<QUuid, QString> &folded);

private:
    const QString &foldedText(const ClipboardHistoryItem &item);
    void forgetAllBut(const QList<ClipboardHistoryItem> &items);

    QHash<QUuid, QString> folded_;
};
