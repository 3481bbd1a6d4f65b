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

QFont DesignTokens::serifFont(int pixelSize, QFont::Weight weight)
{
    QFont font(QStringLiteral("serif"));
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

QFont DesignTokens::font(FontRole role)
{
    switch (role) {
    case FontRole::eyebrow:
        return uiFont(9, QFont::DemiBold, 1.3);
    case FontRole::sectionHeader:
        return uiFont(9, QFont::DemiBold, 1.4);
    case FontRole::cardTitle:
        return uiFont(18, QFont::DemiBold);
    case FontRole::windowTitle:
        return uiFont(20, QFont::DemiBold);
    case FontRole::tabTitle:
        return uiFont(17, QFont::DemiBold);
    case FontRole::panelTitle:
        return uiFont(16, QFont::DemiBold);
    case FontRole::subtitle:
    case FontRole::rowText:
        return uiFont(12, QFont::Normal);
    case FontRole::body:
    case FontRole::rowLabel:
        return uiFont(11, QFont::Normal);
    case FontRole::emphasis:
        return uiFont(12, QFont::Medium);
    case FontRole::link:
    case FontRole::quietButton:
    case FontRole::chip:
    case FontRole::sizeBadge:
        return uiFont(11, QFont::Medium);
    case FontRole::control:
    case FontRole::welcomeSubline:
        return uiFont(13, QFont::Normal);
    case FontRole::rowDetail:
    case FontRole::smallControl:
    case FontRole::caption:
    case FontRole::illustrationText:
    case FontRole::hintSubline:
        return uiFont(10, QFont::Normal);
    case FontRole::footnote:
    case FontRole::hintKeys:
        return uiFont(10, QFont::Medium);
    case FontRole::editor:
    case FontRole::practiceSubline:
        return uiFont(14, QFont::Normal);
    case FontRole::captureButton:
    case FontRole::hintHeadline:
        return uiFont(13, QFont::DemiBold);
    case FontRole::keyCap:
        return monospaceFont(11, QFont::Medium);
    case FontRole::path:
        return monospaceFont(11, QFont::Normal);
    case FontRole::stepNumber:
        return monospaceFont(10, QFont::DemiBold);
    case FontRole::stepTitle:
        return uiFont(12, QFont::DemiBold);
    case FontRole::showcaseEyebrow:
        return uiFont(8, QFont::DemiBold, 1.4);
    case FontRole::reminder:
        return uiFont(13, QFont::Medium);
    case FontRole::brand:
        return uiFont(15, QFont::DemiBold);
    case FontRole::welcomeHeadline:
        return uiFont(34, QFont::DemiBold, -1.1);
    case FontRole::illustrationCaption:
        return uiFont(7, QFont::DemiBold, 1.1);
    case FontRole::practiceEyebrow:
        return uiFont(11, QFont::DemiBold);
    case FontRole::practiceHeadline:
        return uiFont(32, QFont::Medium);
    case FontRole::illustrationSample:
        return serifFont(21, QFont::Medium);
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
