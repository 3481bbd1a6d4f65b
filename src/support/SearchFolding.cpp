#include "support/SearchFolding.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace {

bool isAscii(const QString &text)
{
    for (const QChar character : text) {
        if (character.unicode() >= 0x80)
            return false;
    }
    return true;
}

} // namespace

QString SearchFolding::fold(const QString &text)
{
    // ASCII has no diacritics, and its case folding is its lower case.
    if (isAscii(text))
        return text.toLower();
    icu::UnicodeString folded(reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
    // Folding first: a folded letter may carry a mark of its own ("İ" folds to "i" and a dot above).
    folded.foldCase(U_FOLD_CASE_DEFAULT);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *decomposition = icu::Normalizer2::getNFDInstance(status);
    icu::UnicodeString decomposed = U_SUCCESS(status) ? decomposition->normalize(folded, status) : folded;
    if (U_FAILURE(status))
        decomposed = folded;
    QString result;
    result.reserve(decomposed.length());
    for (int32_t index = 0; index < decomposed.length();) {
        const UChar32 codePoint = decomposed.char32At(index);
        index += U16_LENGTH(codePoint);
        // The diacritics, split off their letters by the decomposition.
        if (u_charType(codePoint) == U_NON_SPACING_MARK)
            continue;
        result.append(QChar::fromUcs4(char32_t(codePoint)));
    }
    return result;
}
