#pragma once

#include <QString>

// Text as a search compares it: case folded (fully: "ß" and "ss" are one) and
// without diacritics ("é" is "e"), so "café" finds "CAFE" and the reverse.
// A folded search is a substring of a folded text exactly when the search
// matches it.
class SearchFolding {
public:
    SearchFolding() = delete;

    // Linear in the text's length; plain ASCII (most copies) takes a fast path.
    static QString fold(const QString &text);
};
