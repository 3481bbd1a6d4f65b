#pragma once

#include <QImage>

// A picture whose every pixel's colour encodes its own coordinates (up to
// 4096 x 4096), so a crop that is shifted, scaled or cut by one pixel never
// compares equal to the expected one. `tag` tells pictures apart.
class PixelPattern {
public:
    static QRgb at(int x, int y, int tag = 0)
    {
        return qRgb(x & 0xff, y & 0xff, (((x >> 8) & 0xf) | ((y >> 8) << 4)) ^ tag);
    }

    static QImage image(QSize pixels, int tag = 0)
    {
        QImage picture(pixels, QImage::Format_RGB32);
        for (int y = 0; y < pixels.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
            for (int x = 0; x < pixels.width(); ++x)
                line[x] = at(x, y, tag);
        }
        return picture;
    }
};
