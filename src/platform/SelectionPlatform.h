#pragma once

class AccessibilityPreferences;
class Announcer;
class Appearance;
class DevicePointer;
class OwnWindows;
class ScreenGrabber;
class ScreenRecordingPermission;
class Screens;

// The platform services the screen selection and its overlays use, passed in
// so that tests and the application model can replace any of them. The
// objects are not owned and must outlive their users.
struct SelectionPlatform {
    Screens *screens = nullptr;
    ScreenGrabber *grabber = nullptr;
    ScreenRecordingPermission *permission = nullptr;
    AccessibilityPreferences *accessibility = nullptr;
    Appearance *appearance = nullptr;
    Announcer *announcer = nullptr;
    // None: the application's windows are left as they are during a capture.
    OwnWindows *windows = nullptr;
    // None: mouse positions are taken as Qt reports them.
    DevicePointer *pointer = nullptr;

    // The desktop's own services.
    static SelectionPlatform system();
};
