#pragma once

#include <QImage>
#include <QRectF>
#include <QWidget>

class QPainter;

// The background of a floating panel, back to front: the window colour at
// 0.96 (opaque under Reduce Transparency), a second layer of window colour at
// 0.25 standing for the blur (nothing behind an X11 window can be blurred,
// and a screen grab would show a stale picture), a hairline that strengthens
// under Increase Contrast, and a mint accent line along the top edge. Without
// a compositor the panel counts as Reduce Transparency; when it shapes its
// window, it then also masks the window to its rounded rectangle, since the
// window's translucent corners would show black.
class PanelMaterial : public QWidget {
    Q_OBJECT
public:
    struct Options {
        bool dark = false;
        bool opaque = false;
        bool increaseContrast = false;
    };

    static constexpr double baseOpacity = 0.96;
    static constexpr double blurOpacity = 0.25;
    static constexpr double hairlineOpacity = 0.12;
    static constexpr double contrastHairlineOpacity = 0.45;
    static constexpr double accentOpacity = 0.65;

    explicit PanelMaterial(QWidget *parent = nullptr, double radius = 22);

    double radius() const { return radius_; }
    void setRadius(double radius);
    // Masks the top-level window to this panel's shape while there is no compositor.
    void setShapesWindow(bool shapes);

    // The options this panel paints with now.
    Options options() const;
    static void paint(QPainter &painter, const QRectF &frame, double radius, const Options &options);
    // The panel's outline, for a window mask.
    static QRegion shape(const QRect &frame, double radius);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void shapeWindow();

    double radius_;
    bool shapesWindow_ = false;
    QImage picture_;
    Options pictured_;
};
