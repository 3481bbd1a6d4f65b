#include "services/TextureEraser.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// Neighbours within this grey of a pixel are of its own shade: the contrast
// from which the recogniser counts a pixel as ink.
constexpr int shadeContrast = 24;
// Measured on 64-pixel tiles: densely set 7-20 px text (DejaVu Sans, Serif
// and Mono, regular and bold, lines one pixel apart) keeps at least 4 % of
// its pixels among neighbours of their own shade, 11 % and more at ordinary
// line spacing; colour, grey and black-and-white noise keep 0.1 % at most,
// noise smoothed by half-size scaling under 3 %.
constexpr double largestTextureShare = 0.02;
// Too thin a strip to tell text from texture.
constexpr int smallestTileSide = 8;

int greyAt(const uchar *row, int x, int bytesPerPixel)
{
    if (bytesPerPixel == 1)
        return row[x];
    const uchar *pixel = row + 3 * x;
    return (pixel[0] * 11 + pixel[1] * 16 + pixel[2] * 5) / 32;
}

bool isSmooth(const uchar *row, qsizetype stride, int x, int bytesPerPixel)
{
    const int centre = greyAt(row, x, bytesPerPixel);
    for (const uchar *line : {row - stride, row, row + stride}) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (std::abs(greyAt(line, x + dx, bytesPerPixel) - centre) >= shadeContrast)
                return false;
        }
    }
    return true;
}

void fill(QImage &page, QRect tile, int ground, int bytesPerPixel)
{
    for (int y = tile.top(); y <= tile.bottom(); ++y)
        std::memset(page.scanLine(y) + tile.left() * bytesPerPixel, ground, size_t(tile.width() * bytesPerPixel));
}

// Tiles of tileSide along one side; the last takes the remainder, so no thin
// strip is left over to be judged on its own.
int tileEnd(int start, int length)
{
    const int end = start + TextureEraser::tileSide;
    return length - end < TextureEraser::tileSide ? length : end;
}

} // namespace

bool TextureEraser::isTexture(const QImage &page, QRect tile)
{
    const int bytesPerPixel = page.format() == QImage::Format_Grayscale8 ? 1 : 3;
    tile = tile.intersected(page.rect());
    if (tile.width() < smallestTileSide || tile.height() < smallestTileSide)
        return false;
    // The outermost pixels are looked at only as neighbours.
    const int left = std::max(1, tile.left()), right = std::min(page.width() - 2, tile.right());
    const int top = std::max(1, tile.top()), bottom = std::min(page.height() - 2, tile.bottom());
    const int samples = ((right - left) / 2 + 1) * ((bottom - top) / 2 + 1);
    const int mostSmooth = int(largestTextureShare * samples);
    const qsizetype stride = page.bytesPerLine();
    int smooth = 0;
    for (int y = top; y <= bottom; y += 2) {
        const uchar *row = page.constBits() + y * stride;
        for (int x = left; x <= right; x += 2) {
            if (isSmooth(row, stride, x, bytesPerPixel) && ++smooth > mostSmooth)
                return false;
        }
    }
    return true;
}

void TextureEraser::erase(QImage &page, int ground, std::stop_token stop)
{
    if (page.format() != QImage::Format_Grayscale8 && page.format() != QImage::Format_RGB888)
        return;
    const int bytesPerPixel = page.format() == QImage::Format_Grayscale8 ? 1 : 3;
    for (int top = 0; top < page.height(); top = tileEnd(top, page.height())) {
        if (stop.stop_requested())
            return;
        const int bottom = tileEnd(top, page.height());
        for (int left = 0; left < page.width(); left = tileEnd(left, page.width())) {
            const QRect tile(QPoint(left, top), QPoint(tileEnd(left, page.width()) - 1, bottom - 1));
            if (isTexture(page, tile))
                fill(page, tile, ground, bytesPerPixel);
        }
    }
}
