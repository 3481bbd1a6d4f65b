#pragma once

#include <QCoroTask>
#include <QImage>

class QScreen;

// Freezes one display: a still image of everything on it, in device pixels
// (its devicePixelRatio set), never showing the application's own windows that
// were hidden before the call. Fails with TrovError::platformFailure carrying
// the platform's description.
class ScreenGrabber {
public:
    virtual ~ScreenGrabber() = default;
    virtual QCoro::Task<QImage> grab(QScreen *screen) = 0;
};
