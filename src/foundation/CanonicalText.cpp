#include "foundation/CanonicalText.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

QString CanonicalText::key(const QString &text)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status))
        return text.normalized(QString::NormalizationForm_C);
    // A read-only alias: ICU reads the QString's own buffer.
    const icu::UnicodeString source(false, reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
    const int32_t normalPrefix = nfc->spanQuickCheckYes(source, status);
    if (U_FAILURE(status))
        return text.normalized(QString::NormalizationForm_C);
    if (normalPrefix == source.length())
        return text;
    // Only what follows the part known to be composed needs the work.
    icu::UnicodeString composed(source, 0, normalPrefix);
    const icu::UnicodeString rest(false, source.getBuffer() + normalPrefix, source.length() - normalPrefix);
    nfc->normalizeSecondAndAppend(composed, rest, status);
    if (U_FAILURE(status))
        return text.normalized(QString::NormalizationForm_C);
    return QString(reinterpret_cast<const QChar *>(composed.getBuffer()), composed.length());
}
