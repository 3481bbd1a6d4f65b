#pragma once

#include "platform/Screens.h"

// The application's screens and the real pointer position.
class DesktopScreens : public Screens {
public:
    static DesktopScreens &shared();
    QList<QScreen *> screens() const override;
    QScreen *primaryScreen() const override;
    QPointF pointerLocation() const override;
};
