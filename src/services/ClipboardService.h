#pragma once

#include <QString>

class Pasteboard;

// Writes recognised or copied-again text to a clipboard. It does not record
// the text in the history: the history's poll sees it like any other copy.
class ClipboardService {
public:
    // Refuses, leaving the pasteboard untouched, a text that is empty once
    // whitespace is trimmed from both ends; otherwise clears the pasteboard and
    // puts the text, untrimmed, on it as plain text. True when it was taken.
    static bool copy(const QString &text, Pasteboard &pasteboard);
    // The same on the desktop clipboard.
    static bool copy(const QString &text);
};
