#pragma once

#include "support/design/GlyphView.h"
#include "support/design/SystemColours.h"

// A status glyph made of a symbol on a faint disc of its tint, as the feedback
// card shows after a cancel or a failure. Decorative; the symbol's name is in
// the `symbol` property.
class StatusIcon : public GlyphView {
    Q_OBJECT
public:
    StatusIcon(const QString &symbol, SystemColours::Ink tint, QWidget *parent = nullptr);

    QString symbol() const { return symbol_; }

protected:
    void paintGlyph(QPainter &painter, const QRectF &frame) override;

private:
    QString symbol_;
    SystemColours::Ink tint_;
};
