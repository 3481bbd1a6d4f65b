#pragma once

class QAbstractButton;

// Return and Enter press a focused push button as Space does, as they do on
// every Linux desktop; Qt's push buttons outside dialogs would ignore them.
class ReturnActivation {
public:
    ReturnActivation() = delete;

    static void install(QAbstractButton &button);
};
