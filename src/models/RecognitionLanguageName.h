#pragma once

#include <QString>

// The English name shown for a recognition language code of the built-in
// recogniser: the language's name from Qt's locale data, with what follows
// the language spelled out in brackets ("chi_sim" → "Chinese (Simplified)",
// "aze_cyrl" → "Azerbaijani (Cyrillic)"); a script model ("script/Latin")
// becomes "Latin script". A code whose language Qt cannot name is shown as it is.
class RecognitionLanguageName {
public:
    RecognitionLanguageName() = delete;

    static QString of(const QString &code);
};
