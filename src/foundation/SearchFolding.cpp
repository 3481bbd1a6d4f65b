#include "foundation/SearchFolding.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>

namespace {

// Below this, every character folds by a table made once: ASCII and the
// Latin letters of Western and Central European languages.
constexpr char16_t tabulated = 0x250;

// Folds text of the full repertoire: case first (a folded letter may carry a
// mark of its own: "İ" folds to "i" and a dot above), then the decomposition
// that splits the diacritics off their letters, which are then left out.
QString foldedRun(QStringView run)
{
    icu::UnicodeString folded(reinterpret_cast<const UChar *>(run.utf16()), int32_t(run.size()));
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
        if (u_charType(codePoint) != U_NON_SPACING_MARK)
            result.append(QChar::fromUcs4(char32_t(codePoint)));
    }
    return result;
}

const std::array<QString, tabulated> &table()
{
    static const std::array<QString, tabulated> folded = [] {
        std::array<QString, tabulated> made;
        for (char16_t unit = 0; unit < tabulated; ++unit) {
            const QChar character(unit);
            made[unit] = foldedRun(QStringView(&character, 1));
        }
        return made;
    }();
    return folded;
}

// The one character each tabulated character folds to, or 0 for those that
// fold to none or several: a flat table, so the common case is one load.
const std::array<char16_t, tabulated> &singleFolds()
{
    static const std::array<char16_t, tabulated> singles = [] {
        std::array<char16_t, tabulated> made{};
        for (char16_t unit = 0; unit < tabulated; ++unit) {
            const QString &folded = table()[unit];
            made[unit] = folded.size() == 1 ? folded.front().unicode() : 0;
        }
        return made;
    }();
    return singles;
}

} // namespace

QString SearchFolding::fold(const QString &text)
{
    // Character by character from the table, and runs of other characters
    // through the full treatment. Each tabulated character is a starter that
    // no decomposition reaches across, so piece by piece is the same as the
    // whole text at once. Written straight into the result: a fold is seldom
    // longer than its text ("ß" is), so the room rarely needs to grow.
    const std::array<QString, tabulated> &folds = table();
    const std::array<char16_t, tabulated> &singles = singleFolds();
    const QChar *characters = text.constData();
    const qsizetype size = text.size();
    QString result(size, Qt::Uninitialized);
    qsizetype written = 0;
    const auto write = [&result, &written](QStringView piece) {
        if (written + piece.size() > result.size())
            result.resize(std::max(written + piece.size(), result.size() * 2));
        QChar *out = result.data() + written;
        for (const QChar character : piece)
            *out++ = character;
        written += piece.size();
    };
    qsizetype index = 0;
    while (index < size) {
        // The run of characters that fold to one each, at full speed.
        QChar *out = result.data();
        const qsizetype room = result.size();
        while (index < size && written < room) {
            const char16_t unit = characters[index].unicode();
            if (unit >= tabulated || singles[unit] == 0)
                break;
            out[written++] = QChar(singles[unit]);
            ++index;
        }
        if (index == size)
            break;
        const char16_t unit = characters[index].unicode();
        if (unit < tabulated) {
            const QString &folded = folds[unit];
            if (folded.size() == 1 && written < result.size())
                result.data()[written++] = folded.front();
            else
                write(folded);
            ++index;
            continue;
        }
        qsizetype end = index + 1;
        while (end < size && characters[end].unicode() >= tabulated)
            ++end;
        write(foldedRun(QStringView(characters + index, end - index)));
        index = end;
    }
    result.truncate(written);
    return result;
}
