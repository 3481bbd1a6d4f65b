#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// The languages Tesseract can read here: its installed data files, and the
// rule that turns a requested language ("auto" or a code such as "deu") into
// the '+'-joined list Tesseract is initialised with.
class TesseractLanguages {
public:
    static constexpr const char *automatic = "auto";
    // "auto" takes at most this many languages: each one adds its model's
    // memory and slows recognition down.
    static constexpr int automaticLimit = 3;

    // Installed language codes, sorted, without "osd" (script detection) and
    // "equ" (equations), which are not languages.
    static QStringList installed();

    // The Tesseract language string for a request. Throws
    // TrovError::platformFailure naming the code when a language is not
    // installed (never silently falls back).
    static QString resolve(const QString &language);

    // The Tesseract codes of the user's interface languages, most preferred
    // first ("nor", "deu", "chi_tra").
    static QStringList userInterfaceCodes();

    // What "auto" reads with: the user's interface languages that are
    // installed, then English, at most automaticLimit in all. Languages the
    // user never asked for are not added to fill the list: they slow
    // Tesseract down and make it misread. Only when none of these is
    // installed does it take the first installed language.
    static QStringList automaticSelection(const QStringList &installed, const QStringList &userLanguages);

    // The Tesseract code for a locale's language.
    static QString tesseractCode(const QLocale &locale);

    // Sends Tesseract's diagnostics (stderr otherwise) nowhere. The setting is
    // process-wide, and engines start while others run (a cancelled page
    // still on its way out): it is written once, before the first engine.
    static void silenceDiagnostics();
};
