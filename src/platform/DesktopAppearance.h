#pragma once

#include "platform/Appearance.h"

// The desktop's colour scheme: the environment variable RAVELOND_APPEARANCE
// ("dark" or "light") when set, else the portal's color-scheme (GNOME's
// setting as a fallback), else the lightness of the application palette.
class DesktopAppearance : public Appearance {
    Q_OBJECT
public:
    static DesktopAppearance &shared();
    bool isDark() const override;

private:
    DesktopAppearance();
};
