#include "support/design/PlainButton.h"

#include "support/design/DesignTokens.h"
#include "support/design/SymbolLibrary.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

// Room for the focus ring around the label.
constexpr double ringMargin = 2;

} // namespace

PlainButton::PlainButton(const QString &text, const QFont &font, SystemColours::Ink ink, QWidget *parent)
    : AnimatedButton(DesignTokens::quietHoverMs, 0, parent), font_(font), ink_(ink)
{
    setText(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void PlainButton::setSymbol(const QString &symbol)
{
    symbol_ = symbol;
    setProperty("symbol", symbol.isEmpty() ? QVariant() : QVariant(symbol));
    updateGeometry();
    update();
}

void PlainButton::setInk(SystemColours::Ink ink)
{
    ink_ = ink;
    update();
}

// A symbol before the text is a little taller than the face, set off by a small gap.
double PlainButton::symbolSide() const
{
    return std::round(font_.pixelSize() * 1.1);
}

double PlainButton::symbolGap() const
{
    return std::round(font_.pixelSize() * 0.4);
}

QSize PlainButton::sizeHint() const
{
    const QFontMetricsF metrics(font_);
    double width = metrics.horizontalAdvance(text());
    if (!symbol_.isEmpty())
        width += symbolSide() + symbolGap();
    const double height = std::max(metrics.height(), symbol_.isEmpty() ? 0.0 : symbolSide());
    return QSize(int(std::ceil(width + 2 * ringMargin)), int(std::ceil(height + 2 * ringMargin)));
}

void PlainButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (!isEnabled())
        painter.setOpacity(disabledOpacity);
    else if (isDown())
        painter.setOpacity(pressedOpacity);
    const QColor colour = environment().ink(ink_);
    const QRectF content = QRectF(rect()).adjusted(ringMargin, ringMargin, -ringMargin, -ringMargin);
    double left = content.left();
    if (!symbol_.isEmpty()) {
        const QRectF box(left, content.center().y() - symbolSide() / 2, symbolSide(), symbolSide());
        SymbolLibrary::paint(painter, symbol_, box, colour, SymbolLibrary::Weight::medium);
        left += symbolSide() + symbolGap();
    }
    painter.setFont(font_);
    painter.setPen(colour);
    painter.drawText(QRectF(left, content.top(), content.right() - left + 1, content.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text());
    if (showsFocusRing()) {
        painter.setOpacity(1);
        painter.setPen(QPen(environment().ink(SystemColours::Ink::teal), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 4, 4);
    }
}
