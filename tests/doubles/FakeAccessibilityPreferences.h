#pragma once

#include "platform/AccessibilityPreferences.h"

// Accessibility settings the test sets by hand.
class FakeAccessibilityPreferences : public AccessibilityPreferences {
public:
    bool reduceMotion() const override { return motion; }
    bool reduceTransparency() const override { return transparency; }
    bool increaseContrast() const override { return contrast; }

    bool motion = false;
    bool transparency = false;
    bool contrast = false;
};
