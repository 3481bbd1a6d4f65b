#pragma once

#include <QString>
#include <QStringList>

// The languages Tesseract can read here: its installed data files, and the
// rule that turns a requested language ("auto" or a code such as "deu") into
// the '+'-joined list Tesseract is initialised with.
class TesseractLanguages {
public:
    static constexpr const char *automatic = "auto";
    // "auto" falls back to at most this many installed languages: each one
    // adds its model's memory and slows recognition down.
    static constexpr int automaticLimit = 3;

    // Installed language codes, sorted, without "osd" (script detection) and
    // "equ" (equations), which are not languages.
    static QStringList installed();

    // The Tesseract language string for a request. Throws
    // TrovError::platformFailure naming the code when a language is not
    // installed (never silently falls back).
    static QString resolve(const QString &language);

    // The Tesseract code of the user interface language ("deu", "chi_tra").
    static QString userInterfaceCode();

private:
    static QStringList automaticSelection(const QStringList &installed);
};
