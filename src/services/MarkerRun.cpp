#include "services/MarkerRun.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr float doubtfulConfidence = 60;
// A "~" is at most this tall for the page's capitals; letters are taller.
constexpr double flatOverCapital = 0.4;
// A "~" is more than twice as wide as tall; a bullet or speck is not.
constexpr double waveAspect = 2;
// No letter is this many cells wide.
constexpr double widestLetterCells = 1.8;
// A wave: its top edge leaves its commonest row along this share of it; a
// straight rule's never does.
constexpr double waveShare = 0.25;
// Ink parted by at least this share of a cell is two runs of marks.
constexpr double gapCells = 0.5;

// The columns of one stretch of ink, and the rows it covers.
struct Run {
    int left = 0, right = 0, top = 0, bottom = 0;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

bool isInk(const QImage &ink, int x, int y)
{
    return ink.constScanLine(y)[x] < 128;
}

int topOfColumn(const QImage &ink, int x, int top, int bottom)
{
    for (int y = top; y <= bottom; ++y) {
        if (isInk(ink, x, y))
            return y;
    }
    return -1;
}

std::vector<Run> runsOf(const QImage &ink, int gap)
{
    std::vector<Run> runs;
    int blank = gap;
    for (int x = 0; x < ink.width(); ++x) {
        int top = -1, bottom = -1;
        for (int y = 0; y < ink.height(); ++y) {
            if (isInk(ink, x, y)) {
                top = top < 0 ? y : top;
                bottom = y;
            }
        }
        if (top < 0) {
            ++blank;
            continue;
        }
        if (blank >= gap || runs.empty()) {
            runs.push_back(Run{x, x, top, bottom});
        } else {
            Run &run = runs.back();
            run.right = x;
            run.top = std::min(run.top, top);
            run.bottom = std::max(run.bottom, bottom);
        }
        blank = 0;
    }
    return runs;
}

// A run of "~": flat, and its top edge rises and falls.
bool isWave(const QImage &ink, const Run &run, int pageCapitalHeight)
{
    if (run.height() > flatOverCapital * pageCapitalHeight || run.height() < 2 ||
        run.width() < waveAspect * run.height())
        return false;
    std::vector<int> tops;
    for (int x = run.left; x <= run.right; ++x)
        tops.push_back(topOfColumn(ink, x, run.top, run.bottom));
    std::vector<int> counts(size_t(run.height()) + 1);
    for (int top : tops)
        ++counts[size_t(top < 0 ? run.height() : top - run.top)];
    const int commonest = *std::max_element(counts.begin(), counts.end());
    return double(tops.size() - size_t(commonest)) >= waveShare * double(tops.size());
}

// A "^": one cell wide at most, its top in the middle, its foot at both
// sides and not between them.
bool isCircumflex(const QImage &ink, const Run &run, int cellWidth, int pageCapitalHeight)
{
    if (run.width() > cellWidth || run.height() > pageCapitalHeight || run.height() < 3 || run.width() < 3)
        return false;
    int topLeft = -1, topRight = -1;
    for (int x = run.left; x <= run.right; ++x) {
        if (isInk(ink, x, run.top)) {
            topLeft = topLeft < 0 ? x : topLeft;
            topRight = x;
        }
    }
    const double middle = (run.left + run.right) / 2.0;
    const double quarter = run.width() / 4.0;
    if (std::abs((topLeft + topRight) / 2.0 - middle) > quarter)
        return false;
    bool left = false, right = false, between = false;
    for (int x = run.left; x <= run.right; ++x) {
        if (!isInk(ink, x, run.bottom))
            continue;
        if (x < middle - quarter)
            left = true;
        else if (x > middle + quarter)
            right = true;
        else
            between = true;
    }
    return left && right && !between;
}

} // namespace

bool MarkerRun::couldBe(const ScreenWord &word, int pageCapitalHeight, int cellWidth)
{
    if (word.confidence >= doubtfulConfidence || pageCapitalHeight <= 0 || cellWidth <= 0 || word.glyphs.empty() ||
        word.box.height() > pageCapitalHeight)
        return false;
    const bool allFlat = std::all_of(word.glyphs.begin(), word.glyphs.end(), [&](const QRect &glyph) {
        return glyph.height() <= flatOverCapital * pageCapitalHeight;
    });
    const bool oneTooWide = std::any_of(word.glyphs.begin(), word.glyphs.end(), [&](const QRect &glyph) {
        return glyph.width() > widestLetterCells * cellWidth;
    });
    return allFlat || oneTooWide;
}

QString MarkerRun::read(const QImage &ink, int cellWidth, int pageCapitalHeight)
{
    if (ink.isNull() || cellWidth <= 0)
        return QString();
    const QImage grey = ink.convertToFormat(QImage::Format_Grayscale8);
    QStringList marks;
    for (const Run &run : runsOf(grey, std::max(1, int(std::lround(gapCells * cellWidth))))) {
        if (isCircumflex(grey, run, cellWidth, pageCapitalHeight))
            marks.append(QStringLiteral("^"));
        else if (isWave(grey, run, pageCapitalHeight))
            marks.append(QString(std::max(1, int(std::lround(double(run.width()) / cellWidth))), QLatin1Char('~')));
        else
            return QString();
    }
    return marks.join(QLatin1Char(' '));
}
