#pragma once

#include <QFont>
#include <QMargins>
#include <QPointer>
#include <QRectF>
#include <QStringList>
#include <QWidget>

class QVariantAnimation;

// The welcome window's decorative card: a small sheet, tilted by −3°, with a
// sample sentence inside a dashed mint selection frame, a soft scanning band
// sweeping 89 points down the frame and back (2.6 s each way, eased, for as
// long as the card is on screen), and a "ready" row below. Under Reduce Motion
// it stands upright and has no band. One picture to assistive technologies.
//
// The card is 286 × 260; the widget is larger by overhang() on each side, the
// room its tilt and its shadow take. The sweep runs only while the widget is
// visible, on Qt's animation clock; nothing ticks while it is hidden.
class CaptureIllustration : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize cardSize{286, 260};
    static constexpr double tiltDegrees = -3;
    static constexpr double bandTravel = 89;
    static constexpr double bandHeight = 38;
    static constexpr int sweepMilliseconds = 2600;
    static const QString label;

    explicit CaptureIllustration(QWidget *parent = nullptr);
    ~CaptureIllustration() override;

    static QMargins overhang();
    // The card's frame in the widget.
    QRect cardFrame() const;

    // Whether the band is drawn and sweeps (Reduce Motion off and on screen).
    bool isScanning() const;
    // The band's offset below the top of the selection frame now.
    double bandOffset() const;
    // The tilt it is drawn with now.
    double tilt() const;
    // The band's offset `elapsedMs` after the sweep began: down, then back up.
    static double bandOffsetAt(qint64 elapsedMs);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void followMotionSetting();
    void startSweep();
    void stopSweep();
    // Where the card's parts go, in the card's own (untilted) frame.
    struct CardLayout {
        QRectF header;
        QRectF box;
        QRectF result;
        QFont sampleFont;
        QStringList sampleLines;
    };
    static CardLayout layoutFor(const QRectF &card);

    void paintCard(QPainter &painter, const QRectF &card);
    void paintSelectionBox(QPainter &painter, const CardLayout &layout);
    void paintBand(QPainter &painter, const QRectF &box);

    QPointer<QVariantAnimation> sweep_;
};
