#include "support/design/DesignTokens.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QStringList>

#include <algorithm>

namespace {

QEasingCurve cubicBezier(QPointF first, QPointF second)
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(first, second, QPointF(1, 1));
    return curve;
}

} // namespace

QFont DesignTokens::uiFont(int pixelSize, QFont::Weight weight, double tracking)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    if (tracking != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return font;
}

QFont DesignTokens::monospaceFont(int pixelSize, QFont::Weight weight)
{
    QFont font(QStringLiteral("monospace"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

QFont DesignTokens::font(FontRole role)
{
    switch (role) {
    case FontRole::eyebrow:
        return uiFont(9, QFont::DemiBold, 1.3);
    case FontRole::cardTitle:
        return uiFont(18, QFont::DemiBold);
    case FontRole::body:
    case FontRole::rowLabel:
        return uiFont(11, QFont::Normal);
    case FontRole::footnote:
        return uiFont(10, QFont::Medium);
    case FontRole::captureButton:
        return uiFont(13, QFont::DemiBold);
    case FontRole::quietButton:
        return uiFont(11, QFont::Medium);
    case FontRole::keyCap:
        return monospaceFont(11, QFont::Medium);
    case FontRole::hintHeadline:
        return uiFont(13, QFont::DemiBold);
    case FontRole::caption:
    case FontRole::hintSubline:
        return uiFont(10, QFont::Normal);
    case FontRole::hintKeys:
        return uiFont(10, QFont::Medium);
    case FontRole::sizeBadge:
        return uiFont(11, QFont::Medium);
    }
    return uiFont(11, QFont::Normal);
}

QFont DesignTokens::fitted(QFont font, const QStringList &lines, double width, int smallest)
{
    const auto fits = [&lines, width](const QFont &candidate) {
        const QFontMetricsF metrics(candidate);
        return std::all_of(lines.cbegin(), lines.cend(),
                           [&](const QString &line) { return metrics.horizontalAdvance(line) <= width; });
    };
    while (font.pixelSize() > smallest && !fits(font))
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

QColor DesignTokens::withOpacity(QColor colour, double opacity)
{
    colour.setAlphaF(float(std::clamp(colour.alphaF() * opacity, 0.0, 1.0)));
    return colour;
}

QEasingCurve DesignTokens::easeOut()
{
    return cubicBezier(QPointF(0, 0), QPointF(0.58, 1));
}

QEasingCurve DesignTokens::easeInOut()
{
    return cubicBezier(QPointF(0.42, 0), QPointF(0.58, 1));
}
