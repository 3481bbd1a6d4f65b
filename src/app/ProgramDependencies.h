#pragma once

#include "app/ShellDependencies.h"
#include "stores/AppModel.h"

#include <memory>

class SelectionOverlayPresenter;
class X11ActivationWatcher;
class X11HotKeyGrabber;

// The program's own collaborators for the model and the shell, alive as long
// as this object: the selection overlays, the open dialog, the X11 hot key and
// activation watch, the desktop's announcer and accessibility settings, the
// quit question, and the end of the event loop.
class ProgramDependencies {
public:
    ProgramDependencies();
    ~ProgramDependencies();

    AppModel::Dependencies modelDependencies() const;
    ShellDependencies shellDependencies() const;

private:
    std::unique_ptr<SelectionOverlayPresenter> presenter_;
    std::unique_ptr<X11HotKeyGrabber> hotKeys_;
    std::unique_ptr<X11ActivationWatcher> activations_;
};
