#pragma once

#include "platform/ScreenRecordingPermission.h"

// An X11 client may read the whole screen, so access is granted on a real X
// server. Under a Wayland session the application runs through XWayland, whose
// grabs of Wayland windows come back black: access then reads as not granted,
// and there is nothing a request could change.
class X11ScreenRecordingPermission : public ScreenRecordingPermission {
public:
    static X11ScreenRecordingPermission &shared();
    bool hasPermission() const override;
    void requestPermission() override;
};
