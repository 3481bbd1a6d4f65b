#include "support/design/SymbolImage.h"

#include "support/design/DesignAccessibility.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"

#include <QPainter>

#include <cmath>

SymbolImage::SymbolImage(const QString &symbol, double side, SystemColours::Ink ink, SymbolLibrary::Weight weight,
                         QWidget *parent)
    : QWidget(parent), side_(side), ink_(ink), weight_(weight)
{
    DesignAccessibility::hide(*this);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
    setSymbol(symbol);
}

void SymbolImage::setSymbol(const QString &symbol)
{
    if (symbol == symbol_)
        return;
    symbol_ = symbol;
    setProperty("symbol", symbol);
    update();
}

void SymbolImage::setInk(SystemColours::Ink ink, double opacity)
{
    ink_ = ink;
    opacity_ = opacity;
    update();
}

QSize SymbolImage::sizeHint() const
{
    const int side = int(std::ceil(side_));
    return QSize(side, side);
}

void SymbolImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor colour = DesignTokens::withOpacity(DesignEnvironment::of(this).ink(ink_), opacity_);
    SymbolLibrary::paint(painter, symbol_, QRectF(rect()), colour, weight_);
}
