#include "support/design/SymbolButton.h"

#include "support/design/DesignTokens.h"
#include "support/design/SymbolLibrary.h"

#include <QPainter>

#include <cmath>

SymbolButton::SymbolButton(const QString &symbol, double side, double symbolSide, QWidget *parent)
    : AnimatedButton(DesignTokens::quietHoverMs, 0, parent), symbol_(symbol), side_(side), symbolSide_(symbolSide)
{
    setProperty("symbol", symbol);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
}

void SymbolButton::setSymbol(const QString &symbol)
{
    symbol_ = symbol;
    setProperty("symbol", symbol);
    update();
}

void SymbolButton::setInk(SystemColours::Ink ink)
{
    ink_ = ink;
    update();
}

QSize SymbolButton::sizeHint() const
{
    const int side = int(std::ceil(side_));
    return QSize(side, side);
}

void SymbolButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(rect());
    // The plain style: dimmed while held, brightened a little under the pointer.
    QColor colour = environment().ink(ink_);
    if (isDown())
        colour = DesignTokens::withOpacity(colour, 0.6);
    else if (isEnabled())
        colour = DesignTokens::withOpacity(colour, 1 + 0.3 * hoverShare());
    const QRectF box(frame.center() - QPointF(symbolSide_ / 2, symbolSide_ / 2), QSizeF(symbolSide_, symbolSide_));
    SymbolLibrary::paint(painter, symbol_, box, colour, SymbolLibrary::Weight::bold);
    if (showsFocusRing()) {
        painter.setPen(QPen(environment().ink(SystemColours::Ink::teal), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(frame.adjusted(1, 1, -1, -1));
    }
}
