#include "support/design/TrovStyle.h"

#include "platform/Appearance.h"

const QColor &TrovStyle::mint()
{
    static const QColor colour = QColor::fromRgbF(0.38f, 0.86f, 0.72f, 1.0f);
    return colour;
}

QColor TrovStyle::teal(bool dark)
{
    static const QColor darkTeal = QColor::fromRgbF(0.45f, 0.90f, 0.77f, 1.0f);
    static const QColor lightTeal = QColor::fromRgbF(0.04f, 0.43f, 0.36f, 1.0f);
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
