#pragma once

#include <QImage>

// A terminal's block cursor is a solid rectangle the size of a character
// cell; Tesseract merges it with the text above or beside it ("oo" for
// "drwxr-xr-x"). Painting it over with the page's ground leaves the text.
class BlockCursorEraser {
public:
    // `page` (8-bit grey or RGB) with every solid block of a character
    // cell's shape filled with the page's commonest colour.
    static void erase(QImage &page);

    // Whether a solid shape of this size is a character cell: taller than
    // wide, as a cell is, but too wide for a glyph's stroke ("l", "I", "|").
    static bool isCellShaped(int width, int height);
};
