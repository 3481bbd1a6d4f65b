#pragma once

#include "models/OCREngine.h"
#include "platform/SelectionPlatform.h"
#include "services/SelectionContinuation.h"

#include <QCoroTask>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QUuid>

#include <optional>
#include <stop_token>

class SelectionPresenter;
class SelectionSurface;

// Lets the user pick a region of the screen in one awaitable call: freezes
// every display, covers each with an overlay showing its frozen picture, waits
// for a selection or a cancel, and returns the selected pixels at the grab's
// full device resolution. A practice run does the same on one display with the
// sample picture and needs no permission.
//
// Outcomes: the crop; TrovError permission (no screen access), the grabber's
// platform failure, capture("No display is available…"), invalidImage (a crop
// outside the picture), cancelled (the user, cancel(), or the caller's stop
// request while the overlays are up) or taskCancelled (stopped before anything
// was shown). Every call completes exactly once, after all its windows closed.
class ScreenSelection : public QObject {
    Q_OBJECT
public:
    // The presenter puts the overlays on screen; neither it nor the platform's
    // objects are owned, and both must outlive the service.
    ScreenSelection(SelectionPlatform platform, SelectionPresenter *presenter, QObject *parent = nullptr);
    ~ScreenSelection() override;

    bool hasPermission() const;
    void requestPermission();

    QCoro::Task<QImage> capture(OCREngine engine, std::stop_token token = {});
    QCoro::Task<QImage> practice(OCREngine engine, std::stop_token token = {});
    // Ends the presentation that is up as cancelled; nothing otherwise.
    void cancel();

    // The display of the last successful capture, or the practice run's display.
    QScreen *selectedScreen() const { return selectedScreen_; }
    // The surfaces that are up, in display order.
    QList<SelectionSurface *> surfaces() const;

Q_SIGNALS:
    // Every overlay of a new presentation is shown.
    void presented();

private:
    struct Frozen {
        QPointer<QScreen> screen;
        QImage image;
    };

    QCoro::Task<QImage> present(QList<Frozen> frozen, OCREngine engine, bool practice, std::stop_token token);
    // Whether the new surface took the keyboard (the pointer is on its display).
    bool showSurface(const Frozen &frozen, OCREngine engine, bool practice, QPointF pointer);
    // The surface that takes the keyboard when the pointer is on no display:
    // the primary display's, else the nearest display's.
    qsizetype keyboardFallback(const QList<Frozen> &frozen, QPointF pointer) const;
    void selected(QScreen *screen, const QImage &image, QSizeF viewSize, const QRectF &selection);
    void finish(const QImage &image);
    void finish(std::exception_ptr error);
    void closeSurfaces();

    struct Shown {
        SelectionSurface *surface;
        QPointer<QObject> lifetime;
    };

    SelectionPlatform platform_;
    SelectionPresenter *presenter_;
    QList<Shown> shown_;
    std::optional<SelectionContinuation> continuation_;
    QUuid presentationID_;
    QPointer<QScreen> selectedScreen_;
};
