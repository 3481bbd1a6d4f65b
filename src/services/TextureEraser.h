#pragma once

#include <QImage>
#include <QRect>

#include <stop_token>

// Noise and full-contrast grain hold no text Tesseract could read, yet its
// page analysis spends a third of a second per megapixel on them and cannot
// be interrupted: a cancelled 12-megapixel page of noise ran on for seconds.
// Text, however small and dense, leaves many pixels among neighbours of
// their own grey (the ground between letters and lines, the inside of
// strokes); such a texture leaves next to none. Tiles of the page where next
// to none are found are painted over with the ground before the analysis,
// which then sees only what can hold text. Faint noise, within a
// few grey levels, is left alone, and still costs the analysis that time.
class TextureEraser {
public:
    static constexpr int tileSide = 64;

    // Paints every textured tile of `page` (8-bit grey or RGB) with grey
    // `ground`. Stops between rows of tiles once `stop` is requested, leaving
    // the rest as it was.
    static void erase(QImage &page, int ground, std::stop_token stop);

    // Whether hardly any pixel of `tile` (every other row and column looked
    // at) has all eight neighbours close to its own grey.
    static bool isTexture(const QImage &page, QRect tile);
};
