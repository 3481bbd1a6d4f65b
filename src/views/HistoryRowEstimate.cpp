#include "views/HistoryRowEstimate.h"

#include "views/HistoryRow.h"

#include <algorithm>
#include <cmath>
#include <limits>

HistoryRowEstimate::HistoryRowEstimate()
{
    follow();
}

bool HistoryRowEstimate::follow()
{
    const QFont text = HistoryRow::textFont();
    QString key = text.key();
    if (metrics_ && key == key_)
        return false;
    key_ = std::move(key);
    metrics_.emplace(text);
    // As the labels measure themselves: whole lines of their faces, at least one.
    textLine_ = metrics_->lineSpacing();
    metaHeight_ = int(std::ceil(QFontMetricsF(HistoryRow::metaFont()).lineSpacing()));
    latin_.fill(-1);
    other_.clear();
    return true;
}

double HistoryRowEstimate::advanceOf(QChar character)
{
    const char16_t code = character.unicode();
    if (code < latin_.size()) {
        if (latin_[code] < 0)
            latin_[code] = metrics_->horizontalAdvance(character);
        return latin_[code];
    }
    auto known = other_.constFind(code);
    if (known == other_.cend())
        known = other_.insert(code, metrics_->horizontalAdvance(character));
    return *known;
}

// How many lines, up to `maximum`, `text` takes wrapped at word boundaries
// (anywhere within a word longer than a line) to `width`: no shaping, and the
// count stops at the last line shown. Each place where a line was kept or
// broken says how wide the text may become, or how narrow, before it goes the
// other way: between those widths every line breaks where it does here.
HistoryRowEstimate::Lines HistoryRowEstimate::linesOf(const QString &text, double width, int maximum)
{
    Lines lines{1, 0, std::numeric_limits<double>::infinity()};
    double line = 0;
    double word = 0;
    // Whether a stretch this long is over the width, noting how far it is from going the other way.
    const auto over = [&](double stretch) {
        if (stretch > width) {
            lines.to = std::min(lines.to, stretch);
            return true;
        }
        lines.from = std::max(lines.from, stretch);
        return false;
    };
    const auto breakLine = [&] {
        ++lines.count;
        line = 0;
    };
    for (const QChar character : text) {
        if (lines.count > maximum)
            break;
        if (character == QLatin1Char('\n')) {
            if (line > 0 && over(line + word))
                breakLine();
            breakLine();
            word = 0;
        } else if (character.isSpace()) {
            if (line > 0 && over(line + word))
                breakLine();
            line += word + advanceOf(character);
            word = 0;
        } else {
            const double advance = advanceOf(character);
            if (over(word + advance)) {
                // A word longer than the line breaks anywhere.
                if (line > 0)
                    breakLine();
                breakLine();
                word = 0;
            }
            word += advance;
        }
    }
    if (lines.count <= maximum && line > 0 && over(line + word))
        ++lines.count;
    lines.count = std::min(lines.count, maximum);
    return lines;
}

HistoryRowEstimate::Height HistoryRowEstimate::heightFor(const QString &text, int rowWidth)
{
    const Lines lines = linesOf(text, HistoryRow::textWidth(rowWidth), HistoryRow::maximumTextLines);
    const int textHeight = int(std::ceil(double(std::max(lines.count, 1)) * textLine_));
    return {HistoryRow::heightFor(textHeight, metaHeight_), lines.from, lines.to};
}

bool HistoryRowEstimate::holds(const Height &height, int rowWidth)
{
    const double width = HistoryRow::textWidth(rowWidth);
    return height.from <= width && width < height.to;
}
