#pragma once

#include "app/ShellDependencies.h"
#include "platform/BootClockTimer.h"
#include "platform/DefaultsDomain.h"
#include "platform/DesktopFileReveal.h"
#include "platform/SelectionPlatform.h"
#include "platform/X11ActivationWatcher.h"
#include "platform/X11HotKeyGrabber.h"
#include "platform/X11Workspace.h"
#include "stores/AppModel.h"
#include "stores/ClipboardHistoryStore.h"
#include "stores/Preferences.h"
#include "views/SelectionOverlayPresenter.h"

#include <QString>

#include <memory>

class AccessibilityPreferences;
class Announcer;
class Appearance;
class Pasteboard;
class SoundPlayer;
class VisionOCR;

// The program's own collaborators, built in one place and handed to the model
// and the shell: the settings on a defaults domain, the clipboard history on
// the desktop clipboard, the X11 workspace, the theme's copy sound, the
// desktop's screens, grabber, permission, accessibility settings, appearance
// and announcer, the selection's overlay windows, the shared recogniser, the
// open dialog, the file manager, and the shell's X11 hot key and activation watch. Members are declared in the order
// they are built, each after what it uses, so they are destroyed users first.
//
// Build it after the QApplication and keep it until every object that was
// handed one of its parts (the model above all) is gone.
class AppComposition {
public:
    // On the standard defaults domain.
    AppComposition();
    // On the defaults domain of that name (the smoke test's private one).
    explicit AppComposition(const QString &defaultsDomainName);
    ~AppComposition();
    AppComposition(const AppComposition &) = delete;
    AppComposition &operator=(const AppComposition &) = delete;

    // Everything an AppModel needs; the model must not outlive this object.
    AppModel::Dependencies modelDependencies();
    // What the shell needs beside the model: the hot key, the activation
    // watch, the feedback panel's announcer and Reduce Motion, the question
    // asked when quitting during an installation, and the end of the event loop.
    ShellDependencies shellDependencies();

    DefaultsDomain &defaults() { return defaults_; }
    Preferences &settings() { return settings_; }
    ClipboardHistoryStore &history() { return history_; }
    Pasteboard &pasteboard() { return pasteboard_; }
    Workspace &workspace() { return workspace_; }
    // None when the sound theme has no copy sound.
    SoundPlayer *copySound() { return copySound_.get(); }
    const SelectionPlatform &selectionPlatform() const { return platform_; }
    Appearance &appearance() { return *platform_.appearance; }
    AccessibilityPreferences &accessibility() { return *platform_.accessibility; }
    Announcer &announcer() { return *platform_.announcer; }
    SelectionOverlayPresenter &presenter() { return presenter_; }
    VisionOCR &vision() { return vision_; }
    SingleShotTimer &dismissalTimer() { return dismissalTimer_; }
    // The open dialog behind AppModel::chooseImage().
    static AppModel::ChooseImageFile chooseImageFile();
    // The clipboard writer behind AppModel::copyText.
    AppModel::CopyText copyText();

private:
    DefaultsDomain defaults_;
    Preferences settings_;
    Pasteboard &pasteboard_;
    ClipboardHistoryStore history_;
    X11Workspace workspace_;
    std::unique_ptr<SoundPlayer> copySound_;
    const SelectionPlatform platform_;
    SelectionOverlayPresenter presenter_;
    VisionOCR &vision_;
    BootClockTimer dismissalTimer_;
    DesktopFileReveal fileReveal_;
    X11HotKeyGrabber hotKeys_;
    X11ActivationWatcher activations_;
};
