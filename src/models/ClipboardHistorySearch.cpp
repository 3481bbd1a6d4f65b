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
    const QString needle = prepared(search);
    if (needle.isEmpty()) {
        // Every item but the new ones may have a fold: past that, some are of items gone.
        if (folded_.size() > items.size() + forgottenLater)
            forgetAllBut(items);
        return items;
    }
    // One skip table for every item.
    const QStringMatcher matcher(needle, Qt::CaseSensitive);
    QList<ClipboardHistoryItem> found;
    for (const ClipboardHistoryItem &item : items) {
        if (matcher.indexIn(foldedText(item)) >= 0)
            found.append(item);
    }
    // Every item has its fold now: any more are of items gone.
    if (folded_.size() > items.size())
        forgetAllBut(items);
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

QHash<QUuid, QString> ClipboardHistorySearch::foldedTexts(QHash<QUuid, QString> texts, std::stop_token token)
{
    QHash<QUuid, QString> folded;
    folded.reserve(texts.size());
    for (auto text = texts.cbegin(); text != texts.cend() && !token.stop_requested(); ++text)
        folded.insert(text.key(), SearchFolding::fold(text.value()));
    return folded;
}

void ClipboardHistorySearch::keepFolded(const QHash<QUuid, QString> &folded)
{
    for (auto fold = folded.cbegin(); fold != folded.cend(); ++fold)
        folded_.insert(fold.key(), fold.value());
}
