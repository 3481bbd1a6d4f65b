#pragma once

#include <QImage>

#include <optional>

// Rewrites a screen crop whose text sits on several flat grounds (a light
// page with coloured buttons, a dark dialog with light fields, a highlighted
// menu row) as dark text on white, each piece of text measured against the
// ground it sits on. Tesseract binarises a page with one threshold, so white
// on blue comes out as a black block, and light text on a mid-grey button
// vanishes into the page; after this every ground is white and every glyph is
// as dark as it is distinct from its own ground, whatever the polarity or hue.
class ContrastNormalizer {
public:
    // The normalised page (8-bit grey, the size of `page`), or nothing when
    // `page` (8-bit RGB) has a single ground or no flat grounds at all (a
    // photo): plain pages read as they are.
    static std::optional<QImage> normalized(const QImage &page);
};
