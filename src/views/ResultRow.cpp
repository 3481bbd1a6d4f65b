#include "views/ResultRow.h"

#include "support/design/ClampedLabel.h"
#include "support/design/DesignTokens.h"
#include "support/design/Surface.h"
#include "support/design/SymbolLibrary.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

using Ink = SystemColours::Ink;

constexpr double contentRadius = 11;
constexpr double contentFillOpacity = 0.035;
constexpr double contentPadding = 12;
constexpr double spacing = 10;
constexpr double lineSpacing = 4;
constexpr double symbolSide = 13;
constexpr double symbolTop = 2;
constexpr double arrowSide = 10;
constexpr int textLines = 2;
// What a screen reader reads of a long text.
constexpr qsizetype accessibleTextLength = 400;

QFont textFont()
{
    return DesignTokens::font(DesignTokens::FontRole::rowText);
}

QFont detailFont()
{
    return DesignTokens::font(DesignTokens::FontRole::rowDetail);
}

} // namespace

ResultRow::ResultRow(const CaptureResult &result, QWidget *parent)
    : AnimatedButton(DesignTokens::quietHoverMs, DesignTokens::quietPressMs, parent), result_(result),
      detail_(detailLine(result))
{
    setObjectName(QStringLiteral("resultRow"));
    setProperty("symbol", QStringLiteral("text.alignleft"));
    // Never the button's text: an ampersand in it would make a keyboard shortcut.
    setAccessibleName(result.text.left(accessibleTextLength));
    setAccessibleDescription(detail_);
    setToolTip(QStringLiteral("Review and edit this capture"));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QString ResultRow::detailLine(const CaptureResult &result)
{
    return QString::number(result.wordCount()) + QStringLiteral(" words · ") + result.engine.title() +
           QStringLiteral(" · ") + result.timing();
}

double ResultRow::textWidth(int rowWidth) const
{
    const double inner = rowWidth - 2 * QuietButtonStyle::horizontalPadding - 2 * contentPadding;
    return std::max(0.0, inner - symbolSide - arrowSide - 2 * spacing);
}

QStringList ResultRow::displayedLines() const
{
    return ClampedLabel::wrap(result_.text, textFont(), textWidth(width()), textLines);
}

int ResultRow::heightForWidth(int width) const
{
    const QFontMetricsF text(textFont());
    const QFontMetricsF detail(detailFont());
    const qsizetype lines =
        std::max<qsizetype>(1, ClampedLabel::wrap(result_.text, textFont(), textWidth(width), textLines).size());
    const double column = lines * text.lineSpacing() + lineSpacing + detail.height();
    const double content = std::max(column, symbolTop + symbolSide);
    return int(std::ceil(content + 2 * contentPadding + 2 * QuietButtonStyle::verticalPadding));
}

QSize ResultRow::sizeHint() const
{
    constexpr int natural = 316;
    return QSize(natural, heightForWidth(natural));
}

QSize ResultRow::minimumSizeHint() const
{
    return QSize(120, heightForWidth(120));
}

void ResultRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const DesignEnvironment &environment = this->environment();
    const QColor primary = environment.ink(Ink::primary);
    const QRectF frame(rect());
    QuietButtonStyle::applyLook(painter, frame, look());
    QuietButtonStyle::paintBackground(painter, frame, look(), primary);

    const QRectF content = frame.adjusted(QuietButtonStyle::horizontalPadding, QuietButtonStyle::verticalPadding,
                                          -QuietButtonStyle::horizontalPadding, -QuietButtonStyle::verticalPadding);
    Surface::paintCard(painter, content, contentRadius, primary, contentFillOpacity, 0);

    const QRectF inner = content.adjusted(contentPadding, contentPadding, -contentPadding, -contentPadding);
    SymbolLibrary::paint(painter, QStringLiteral("text.alignleft"),
                         QRectF(inner.left(), inner.top() + symbolTop, symbolSide, symbolSide),
                         environment.ink(Ink::teal), SymbolLibrary::Weight::medium);
    SymbolLibrary::paint(painter, QStringLiteral("arrow.up.right"),
                         QRectF(inner.right() - arrowSide, inner.top() + symbolTop, arrowSide, arrowSide),
                         environment.ink(Ink::tertiary), SymbolLibrary::Weight::semibold);

    const double left = inner.left() + symbolSide + spacing;
    const QFontMetricsF text(textFont());
    painter.setFont(textFont());
    painter.setPen(primary);
    double baseline = inner.top() + text.ascent();
    for (const QString &line : displayedLines()) {
        painter.drawText(QPointF(left, baseline), line);
        baseline += text.lineSpacing();
    }
    const QFontMetricsF detail(detailFont());
    painter.setFont(detailFont());
    painter.setPen(environment.ink(Ink::secondary));
    const double detailTop = baseline - text.ascent() + lineSpacing;
    painter.drawText(QPointF(left, detailTop + detail.ascent()),
                     detail.elidedText(detail_, Qt::ElideRight, textWidth(width())));

    paintFocusRing(painter, DesignTokens::quietButtonRadius);
}
