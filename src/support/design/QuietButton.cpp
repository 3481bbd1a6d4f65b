#include "support/design/QuietButton.h"

#include "support/design/DesignTokens.h"
#include "support/design/SymbolLibrary.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

QFont labelFont()
{
    return DesignTokens::font(DesignTokens::FontRole::quietButton);
}

// A symbol before the text is as tall as the label's face, set off by a gap.
constexpr double symbolGap = 5;

double symbolSide()
{
    return labelFont().pixelSize();
}

} // namespace

QuietButton::QuietButton(const QString &text, QWidget *parent)
    : AnimatedButton(DesignTokens::quietHoverMs, DesignTokens::quietPressMs, parent)
{
    setText(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void QuietButton::setSymbol(const QString &symbol)
{
    symbol_ = symbol;
    setProperty("symbol", symbol.isEmpty() ? QVariant() : QVariant(symbol));
    updateGeometry();
    update();
}

void QuietButton::setInk(SystemColours::Ink ink)
{
    ink_ = ink;
    update();
}

QSize QuietButton::sizeHint() const
{
    const QFontMetricsF metrics(labelFont());
    double width = metrics.horizontalAdvance(text());
    if (!symbol_.isEmpty())
        width += symbolSide() + symbolGap;
    return QSize(int(std::ceil(width + 2 * QuietButtonStyle::horizontalPadding)),
                 int(std::ceil(metrics.height() + 2 * QuietButtonStyle::verticalPadding)));
}

QSize QuietButton::minimumSizeHint() const
{
    return sizeHint();
}

void QuietButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const DesignEnvironment &environment = this->environment();
    const QuietButtonStyle::Look look = this->look();
    const QRectF frame(rect());
    QuietButtonStyle::applyLook(painter, frame, look);
    QuietButtonStyle::paintBackground(painter, frame, look, environment.ink(SystemColours::Ink::primary));

    const QColor colour = environment.ink(ink_);
    const QFontMetricsF metrics(labelFont());
    const double textWidth = metrics.horizontalAdvance(text());
    const double contentWidth = textWidth + (symbol_.isEmpty() ? 0 : symbolSide() + symbolGap);
    double left = frame.center().x() - contentWidth / 2;
    if (!symbol_.isEmpty()) {
        const QRectF box(left, frame.center().y() - symbolSide() / 2, symbolSide(), symbolSide());
        SymbolLibrary::paint(painter, symbol_, box, colour, SymbolLibrary::Weight::semibold);
        left += symbolSide() + symbolGap;
    }
    painter.setFont(labelFont());
    painter.setPen(colour);
    painter.drawText(QRectF(left, frame.top(), textWidth + 1, frame.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     text());
    paintFocusRing(painter, DesignTokens::quietButtonRadius);
}
