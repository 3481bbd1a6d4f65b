#pragma once

class QAbstractButton;

// Return and Enter press a focused button as Space does, as they do on every
// Linux desktop: a push button is pressed, a check box toggled. Qt's buttons
// outside dialogs would ignore them.
class ReturnActivation {
public:
    ReturnActivation() = delete;

    static void install(QAbstractButton &button);
};
