#include "models/ClipboardHistorySearch.h"

#include "foundation/SearchFolding.h"
#include "models/TextProcessing.h"

#include <QSet>
#include <QStringMatcher>

QString ClipboardHistorySearch::prepared(const QString &search)
{
    return SearchFolding::fold(TextProcessing::trimmed(search));
}

QList<ClipboardHistoryItem> ClipboardHistorySearch::filter(const QList<ClipboardHistoryItem> &items,
                                                           const QString &search)
{
    forgetAllBut(items);
    const QString needle = prepared(search);
    if (needle.isEmpty())
        return items;
    // One skip table for every item.
    const QStringMatcher matcher(needle, Qt::CaseSensitive);
    QList<ClipboardHistoryItem> found;
    for (const ClipboardHistoryItem &item : items) {
        if (matcher.indexIn(foldedText(item)) >= 0)
            found.append(item);
    }
    return found;
}

const QString &ClipboardHistorySearch::foldedText(const ClipboardHistoryItem &item)
{
    auto cached = folded_.find(item.id);
    if (cached == folded_.end())
        cached = folded_.insert(item.id, SearchFolding::fold(item.text));
    return *cached;
}

void ClipboardHistorySearch::forgetAllBut(const QList<ClipboardHistoryItem> &items)
{
    if (folded_.isEmpty())
        return;
    QSet<QUuid> present;
    present.reserve(items.size());
    for (const ClipboardHistoryItem &item : items)
        present.insert(item.id);
    folded_.removeIf(
        [&present](const QHash<QUuid, QString>::iterator entry) { return !present.contains(entry.key()); });
}

QHash<QUuid, QString> ClipboardHistorySearch::unfoldedTexts(const QList<ClipboardHistoryItem> &items) const
{
    QHash<QUuid, QString> texts;
    for (const ClipboardHistoryItem &item : items) {
        if (!folded_.contains(item.id))
            texts.insert(item.id, item.text);
    }
    return texts;
}

QHash<QUuid, QString> ClipboardHistorySearch::foldedTexts(QHash<QUuid, QString> texts)
{
    for (QString &text : texts)
        text = SearchFolding::fold(text);
    return texts;
}

void ClipboardHistorySearch::keepFolded(const QHash<QUuid, QString> &folded)
{
    for (auto fold = folded.cbegin(); fold != folded.cend(); ++fold)
        folded_.insert(fold.key(), fold.value());
}
