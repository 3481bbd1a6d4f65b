#pragma once

#include <QFont>
#include <QMargins>
#include <QPixmap>
#include <QPointer>
#include <QRectF>
#include <QStringList>
#include <QWidget>

#include <optional>

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
//
// What does not move is drawn once into a picture (again only when the size,
// the scale or the appearance changes); a frame repaints only the strip the
// band leaves and the strip it enters, at most about 30 times a second and
// only once the band has moved by half a device pixel.
class CaptureIllustration : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize cardSize{286, 260};
    static constexpr double tiltDegrees = -3;
    static constexpr double bandTravel = 89;
    static constexpr double bandHeight = 38;
    static constexpr int sweepMilliseconds = 2600;
    // The shortest time between two frames of the band.
    static constexpr int frameMilliseconds = 33;
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
    // Where the band was last drawn: at most a frame behind bandOffset().
    double shownBandOffset() const { return paintedOffset_; }
    // The tilt it is drawn with now.
    double tilt() const;
    // The band's offset `elapsedMs` after the sweep began: down, then back up.
    static double bandOffsetAt(qint64 elapsedMs);
    // The part of the widget the band covers at `offset`, tilt included.
    QRect bandArea(double offset) const;
    // How often the still picture has been drawn.
    int stillPaints() const { return stillPaints_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void followMotionSetting();
    void startSweep();
    void stopSweep();
    void advanceBand();
    QTransform tiltTransform() const;
    // The card without its band, drawn afresh when what it looks like changed.
    const QPixmap &still();
    QRectF selectionBox() const;
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
    // The offset the band was last asked to be painted at, and when on the sweep's clock.
    double paintedOffset_ = 0;
    qint64 lastFrameAt_ = 0;
    mutable std::optional<QRectF> box_;
    QPixmap still_;
    QString stillKey_;
    int stillPaints_ = 0;
};
