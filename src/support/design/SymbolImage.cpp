#include "support/design/SymbolImage.h"

#include "support/design/DesignAccessibility.h"
#include "support/design/DesignEnvironment.h"

#include <QPainter>

#include <cmath>

SymbolImage::SymbolImage(const QString &symbol, double side, SystemColours::Ink ink, SymbolLibrary::Weight weight,
                         QWidget *parent)
    : QWidget(parent), side_(side), ink_(ink), weight_(weight)
{
    DesignAccessibility::hide(*this);
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setSymbol(symbol);
}

void SymbolImage::setSymbol(const QString &symbol)
{
    symbol_ = symbol;
    setProperty("symbol", symbol);
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
    SymbolLibrary::paint(painter, symbol_, QRectF(rect()), DesignEnvironment::of(this).ink(ink_), weight_);
}
