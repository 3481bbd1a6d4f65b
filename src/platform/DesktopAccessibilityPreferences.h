#pragma once

#include "platform/AccessibilityPreferences.h"

// Reads the accessibility display settings from the desktop through the
// settings portal. Reduce Motion: GNOME's enable-animations off or KDE's
// animation speed 0. Increase Contrast: the portal's contrast preference or
// GNOME's high-contrast. Linux desktops publish no Reduce Transparency setting,
// so it is off unless overridden. The environment variables
// RAVELOND_REDUCE_MOTION, RAVELOND_REDUCE_TRANSPARENCY and
// RAVELOND_INCREASE_CONTRAST ("1" or "0") override each reading.
class DesktopAccessibilityPreferences : public AccessibilityPreferences {
    Q_OBJECT
public:
    static DesktopAccessibilityPreferences &shared();
    bool reduceMotion() const override;
    bool reduceTransparency() const override;
    bool increaseContrast() const override;

private:
    DesktopAccessibilityPreferences();
};
