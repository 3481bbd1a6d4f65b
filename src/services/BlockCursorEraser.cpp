#include "services/BlockCursorEraser.h"

#include <QPoint>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace {

// A cursor differs from the ground as much as text does, and is filled to
// its edges (anti-aliasing only touches text and rounded shapes).
constexpr int blockContrast = 128;
constexpr double blockFill = 0.97;
constexpr int smallestCellHeight = 8;
// Character cells of monospaced fonts are 1.6 to 2.4 times as tall as wide;
// a glyph's widest solid stroke in them is at least 3 times.
constexpr double shortestCell = 1.3;
constexpr double tallestCell = 2.8;
// A cell is about 1.6 times as tall as a lower-case letter, 1.2 times a capital.
constexpr int smallestGlyphHeight = 3;
constexpr double cellOverGlyphHeight = 1.15;

int greyAt(const QImage &page, int x, int y)
{
    const uchar *row = page.constScanLine(y);
    if (page.format() == QImage::Format_Grayscale8)
        return row[x];
    const uchar *pixel = row + 3 * x;
    return (pixel[0] * 11 + pixel[1] * 16 + pixel[2] * 5) / 32;
}

struct Blob {
    int left, top, right, bottom;
    int area = 0;
};

} // namespace

bool BlockCursorEraser::isCellShaped(int width, int height)
{
    if (width <= 0 || height < smallestCellHeight)
        return false;
    const double aspect = double(height) / width;
    return aspect >= shortestCell && aspect <= tallestCell;
}

void BlockCursorEraser::erase(QImage &page)
{
    if (page.isNull() || (page.format() != QImage::Format_Grayscale8 && page.format() != QImage::Format_RGB888))
        return;
    const int width = page.width(), height = page.height();
    std::array<int, 256> histogram{};
    for (int y = 0; y < height; y += 2) {
        for (int x = 0; x < width; x += 2)
            ++histogram[greyAt(page, x, y)];
    }
    const int ground = int(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
    std::vector<char> ink(size_t(width) * height);
    QPoint groundPixel(-1, -1);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int grey = greyAt(page, x, y);
            ink[size_t(y) * width + x] = std::abs(grey - ground) >= blockContrast;
            if (grey == ground && groundPixel.x() < 0)
                groundPixel = QPoint(x, y);
        }
    }
    const int bytesPerPixel = page.format() == QImage::Format_Grayscale8 ? 1 : 3;
    std::array<uchar, 3> groundColour{};
    std::copy_n(page.constScanLine(groundPixel.y()) + bytesPerPixel * groundPixel.x(), bytesPerPixel,
                groundColour.begin());
    // Each shape of ink, by a flood fill that clears what it has visited.
    std::vector<int> stack;
    std::vector<Blob> blocks;
    std::vector<int> heights;
    for (int start = 0; start < width * height; ++start) {
        if (!ink[start])
            continue;
        Blob blob{start % width, start / width, start % width, start / width};
        ink[start] = 0;
        stack.push_back(start);
        while (!stack.empty()) {
            const int index = stack.back();
            stack.pop_back();
            const int x = index % width, y = index / width;
            ++blob.area;
            blob.left = std::min(blob.left, x);
            blob.right = std::max(blob.right, x);
            blob.top = std::min(blob.top, y);
            blob.bottom = std::max(blob.bottom, y);
            const auto visit = [&](int neighbour) {
                if (ink[neighbour]) {
                    ink[neighbour] = 0;
                    stack.push_back(neighbour);
                }
            };
            if (x > 0)
                visit(index - 1);
            if (x + 1 < width)
                visit(index + 1);
            if (y > 0)
                visit(index - width);
            if (y + 1 < height)
                visit(index + width);
        }
        const int blobWidth = blob.right - blob.left + 1, blobHeight = blob.bottom - blob.top + 1;
        if (blobHeight >= smallestGlyphHeight)
            heights.push_back(blobHeight);
        if (isCellShaped(blobWidth, blobHeight) && blob.area >= blockFill * blobWidth * blobHeight)
            blocks.push_back(blob);
    }
    if (blocks.empty())
        return;
    // A cell is taller than the glyphs drawn in it; a full stop or the dot
    // of an "i" at a large size is as solid, but smaller.
    std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
    const int glyphHeight = heights[heights.size() / 2];
    for (const Blob &block : blocks) {
        if (block.bottom - block.top + 1 < cellOverGlyphHeight * glyphHeight)
            continue;
        // The anti-aliased rim around it goes too.
        const int left = std::max(0, block.left - 1), right = std::min(width - 1, block.right + 1);
        const int top = std::max(0, block.top - 1), bottom = std::min(height - 1, block.bottom + 1);
        for (int y = top; y <= bottom; ++y) {
            uchar *row = page.scanLine(y);
            for (int x = left; x <= right; ++x)
                std::copy_n(groundColour.begin(), bytesPerPixel, row + bytesPerPixel * x);
        }
    }
}
