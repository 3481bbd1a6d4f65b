#include "models/ClipboardHistoryItem.h"

#include "models/TextProcessing.h"

qsizetype ClipboardHistoryItem::wordCount() const
{
    return TextProcessing::wordCount(text);
}

qsizetype ClipboardHistoryItem::characterCount() const
{
    return TextProcessing::characterCount(text);
}
