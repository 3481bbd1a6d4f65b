#include "support/design/TrovStyle.h"

#include "platform/Appearance.h"

#include <QColorSpace>
#include <QColorTransform>

#include <algorithm>

namespace {

// A colour given in the calibrated (device-independent generic) RGB space of
// the design, as the sRGB colour that shows the same: that space has its own
// primaries, a D65 white and a gamma of 1.8. Components outside sRGB's gamut
// are clipped to it.
QColor fromGenericRgb(float red, float green, float blue)
{
    static const QColorTransform toSrgb =
        QColorSpace(QPointF(0.3127, 0.3290), QPointF(0.630, 0.340), QPointF(0.295, 0.605), QPointF(0.155, 0.077),
                    QColorSpace::TransferFunction::Gamma, 1.8f)
            .transformationToColorSpace(QColorSpace::SRgb);
    const QColor mapped = toSrgb.map(QColor::fromRgbF(red, green, blue));
    const auto clipped = [](float component) { return std::clamp(component, 0.0f, 1.0f); };
    return QColor::fromRgbF(clipped(mapped.redF()), clipped(mapped.greenF()), clipped(mapped.blueF()), 1.0f);
}

} // namespace

const QColor &TrovStyle::mint()
{
    static const QColor colour = QColor::fromRgbF(0.38f, 0.86f, 0.72f, 1.0f);
    return colour;
}

QColor TrovStyle::teal(bool dark)
{
    static const QColor darkTeal = fromGenericRgb(0.45f, 0.90f, 0.77f);
    static const QColor lightTeal = fromGenericRgb(0.04f, 0.43f, 0.36f);
    return dark ? darkTeal : lightTeal;
}

QColor TrovStyle::teal(const Appearance &appearance)
{
    return teal(appearance.isDark());
}

const QLinearGradient &TrovStyle::gradient()
{
    static const QLinearGradient shared = [] {
        QLinearGradient gradient(0, 0, 1, 1);
        gradient.setCoordinateMode(QGradient::ObjectMode);
        gradient.setColorAt(0, QColor::fromRgbF(0.05f, 0.44f, 0.39f));
        gradient.setColorAt(1, QColor::fromRgbF(0.08f, 0.49f, 0.41f));
        return gradient;
    }();
    return shared;
}
