#include "platform/SelectionPlatform.h"

#include "platform/AccessibilityAnnouncer.h"
#include "platform/DesktopAccessibilityPreferences.h"
#include "platform/DesktopAppearance.h"
#include "platform/DesktopOwnWindows.h"
#include "platform/DesktopScreens.h"
#include "platform/X11DevicePointer.h"
#include "platform/X11ScreenGrabber.h"
#include "platform/X11ScreenRecordingPermission.h"

SelectionPlatform SelectionPlatform::system()
{
    return {&DesktopScreens::shared(),
            &X11ScreenGrabber::shared(),
            &X11ScreenRecordingPermission::shared(),
            &DesktopAccessibilityPreferences::shared(),
            &DesktopAppearance::shared(),
            &AccessibilityAnnouncer::shared(),
            &DesktopOwnWindows::shared(),
            &X11DevicePointer::shared()};
}
