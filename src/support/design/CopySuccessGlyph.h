#pragma once

#include "support/design/GlyphView.h"

#include <QPainterPath>
#include <QPointer>

class QVariantAnimation;

// The glyph of a finished copy: a disc and ring with a check mark that draws
// itself in from its left end over 0.28 s each time the glyph comes on screen
// (at once under Reduce Motion, read then).
class CopySuccessGlyph : public GlyphView {
    Q_OBJECT
public:
    static constexpr int drawInMs = 280;

    explicit CopySuccessGlyph(QWidget *parent = nullptr);

    // The open check mark in `box`: from the middle of the left edge down to
    // the bottom edge at 36 % of the width, then up to the top-right corner.
    static QPainterPath checkmark(const QRectF &box);
    // `drawn` is the share of the mark's length drawn, from 0 to 1.
    static void paint(QPainter &painter, const QRectF &frame, double drawn, bool dark);

    double drawnShare() const { return drawn_; }
    bool isAnimating() const;

protected:
    void paintGlyph(QPainter &painter, const QRectF &frame) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QPointer<QVariantAnimation> drawIn_;
    double drawn_ = 0;
};
