#pragma once

#include "support/design/DesignEnvironment.h"

#include <QWidget>

// A 54 × 54 status glyph, decorative and so invisible to assistive
// technologies. A container may scale it about its centre and fade it, to move
// one glyph out and the next one in.
class GlyphView : public QWidget {
    Q_OBJECT
public:
    static constexpr int side = 54;

    void setTransition(double scale, double opacity);
    double transitionScale() const { return scale_; }
    double transitionOpacity() const { return opacity_; }

protected:
    explicit GlyphView(QWidget *parent);

    DesignEnvironment &environment() const { return DesignEnvironment::of(this); }
    virtual void paintGlyph(QPainter &painter, const QRectF &frame) = 0;

    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    double scale_ = 1;
    double opacity_ = 1;
};
