#pragma once

#include <functional>

class AccessibilityPreferences;
class ActivationWatcher;
class Announcer;
class HotKeyGrabber;

// The shell's own collaborators, beside the model's. Objects are not owned and
// must outlive the delegate; any may be left out.
struct ShellDependencies {
    // Without one there is no hot key, and no conflict is published.
    HotKeyGrabber *hotKeys = nullptr;
    // Each activation of any application refreshes the permission state.
    ActivationWatcher *activations = nullptr;
    // The feedback panel's announcements.
    Announcer *announcer = nullptr;
    // Reduce Motion for the feedback panel.
    AccessibilityPreferences *accessibility = nullptr;
    // The question asked when quitting during the local engine's installation;
    // true keeps installing. Without one the quit goes ahead.
    std::function<bool()> keepInstalling;
    // Closes that question while it is open (a quit signal overrules it).
    std::function<void()> dismissQuestion;
    // Ends the application once the quit road allows it.
    std::function<void()> terminate;
    // Whether to make the status item (the tray); tests of the rest may do without.
    bool statusItem = true;
};
