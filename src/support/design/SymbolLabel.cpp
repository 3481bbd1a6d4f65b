#include "support/design/SymbolLabel.h"

#include "support/design/DesignAccessibility.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/SymbolLibrary.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

SymbolLabel::SymbolLabel(const QString &symbol, const QString &text, DesignTokens::FontRole role,
                         SystemColours::Ink ink, QWidget *parent)
    : SymbolLabel(symbol, text, DesignTokens::font(role), ink, parent)
{
}

SymbolLabel::SymbolLabel(const QString &symbol, const QString &text, const QFont &font, SystemColours::Ink ink,
                         QWidget *parent)
    : QWidget(parent), font_(font), ink_(ink)
{
    DesignAccessibility::markAsText(*this);
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setSymbol(symbol);
    setText(text);
}

void SymbolLabel::setSymbol(const QString &symbol)
{
    symbol_ = symbol;
    setProperty("symbol", symbol);
    update();
}

void SymbolLabel::setText(const QString &text)
{
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

// A symbol sits a little taller than the face's size, set off by a small gap.
double SymbolLabel::symbolSide() const
{
    return std::round(font_.pixelSize() * 1.15);
}

double SymbolLabel::gap() const
{
    return std::round(font_.pixelSize() * 0.45);
}

QSize SymbolLabel::sizeHint() const
{
    const QFontMetricsF metrics(font_);
    return QSize(int(std::ceil(symbolSide() + gap() + metrics.horizontalAdvance(text_))),
                 int(std::ceil(std::max(symbolSide(), metrics.height()))));
}

void SymbolLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QColor colour = DesignEnvironment::of(this).ink(ink_);
    const double middle = height() / 2.0;
    const QRectF box(0, middle - symbolSide() / 2, symbolSide(), symbolSide());
    SymbolLibrary::paint(painter, symbol_, box, colour, SymbolLibrary::Weight::medium);
    painter.setFont(font_);
    painter.setPen(colour);
    painter.drawText(QRectF(box.right() + gap(), 0, width() - box.right() - gap(), height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text_);
}
