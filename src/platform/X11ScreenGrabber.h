#pragma once

#include "platform/ScreenGrabber.h"

// Grabs a display from the X server. Windows the application has just hidden
// may still be on screen, so every grab first waits until their areas have
// been repainted (X11RepaintWatch), then for a round trip on the
// application's own connection (off the GUI thread), after which the server
// has processed every earlier request.
class X11ScreenGrabber : public ScreenGrabber {
public:
    static X11ScreenGrabber &shared();
    QCoro::Task<QImage> grab(QScreen *screen) override;
};
