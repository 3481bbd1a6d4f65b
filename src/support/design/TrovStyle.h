#pragma once

#include <QColor>
#include <QLinearGradient>

class Appearance;

// The colour vocabulary every view takes its accents from. Each token is built
// once and shared.
class TrovStyle {
public:
    TrovStyle() = delete;

    static const QColor &mint();
    // Depends on the appearance it is drawn in: resolve it at paint time, so a
    // switch between light and dark shows at the next repaint.
    static QColor teal(bool dark);
    static QColor teal(const Appearance &appearance);
    // Two stops from the top-leading to the bottom-trailing corner of whatever
    // shape it fills (object-bounding coordinates).
    static const QLinearGradient &gradient();
};
