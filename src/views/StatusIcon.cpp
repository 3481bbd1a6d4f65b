#include "views/StatusIcon.h"

#include "support/design/DesignTokens.h"
#include "support/design/SymbolLibrary.h"

#include <QPainter>

namespace {

// The symbol as a 23-point medium glyph would stand.
constexpr double symbolSide = 24;

} // namespace

StatusIcon::StatusIcon(const QString &symbol, SystemColours::Ink tint, QWidget *parent)
    : GlyphView(parent), symbol_(symbol), tint_(tint)
{
    setProperty("symbol", symbol);
}

void StatusIcon::paintGlyph(QPainter &painter, const QRectF &frame)
{
    const QColor tint = environment().ink(tint_);
    painter.setPen(Qt::NoPen);
    painter.setBrush(DesignTokens::withOpacity(tint, 0.09));
    painter.drawEllipse(frame);
    const QRectF box(frame.center() - QPointF(symbolSide / 2, symbolSide / 2), QSizeF(symbolSide, symbolSide));
    SymbolLibrary::paint(painter, symbol_, box, tint, SymbolLibrary::Weight::medium);
}
