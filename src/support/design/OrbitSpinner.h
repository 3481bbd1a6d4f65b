#pragma once

#include "support/design/GlyphView.h"

#include <QPointer>

class QVariantAnimation;

// The progress glyph: lines of text inside a ring, an arc orbiting the ring
// clockwise once every 2.3 s and a bright bar sweeping over the lines and back
// every 3.2 s. It starts from its first frame each time it comes on screen and
// stops when it leaves it (no timer runs for a hidden spinner). Under Reduce
// Motion, read when it comes on screen, it stands still without the bar.
class OrbitSpinner : public GlyphView {
    Q_OBJECT
public:
    static constexpr int turnMs = 2300;
    static constexpr int sweepMs = 1600;

    // Where the moving parts are at a moment of the animation.
    struct Frame {
        double arcDegrees = 0;
        double barOffset = -11;
        bool bar = true;
    };

    explicit OrbitSpinner(QWidget *parent = nullptr);

    static Frame frameAt(double milliseconds, bool reduceMotion);
    static void paint(QPainter &painter, const QRectF &frame, const Frame &moment, bool dark);

    bool isRunning() const;
    Frame currentFrame() const;

protected:
    void paintGlyph(QPainter &painter, const QRectF &frame) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QPointer<QVariantAnimation> clock_;
    bool still_ = false;
};
