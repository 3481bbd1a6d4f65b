#pragma once

#include "platform/Appearance.h"

// An appearance the test switches by hand.
class FakeAppearance : public Appearance {
public:
    bool isDark() const override { return dark; }
    void setDark(bool value)
    {
        dark = value;
        Q_EMIT changed();
    }

    bool dark = false;
};
