#include "services/ClipboardService.h"

#include "models/TextProcessing.h"
#include "platform/Pasteboard.h"

bool ClipboardService::copy(const QString &text, Pasteboard &pasteboard)
{
    if (TextProcessing::isBlank(text))
        return false;
    pasteboard.clearContents();
    return pasteboard.setString(text);
}

bool ClipboardService::copy(const QString &text)
{
    return copy(text, Pasteboard::general());
}
