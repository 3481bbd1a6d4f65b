#include "platform/AccessibilityAnnouncer.h"
#include "platform/DesktopAccessibilityPreferences.h"
#include "platform/DesktopAppearance.h"
#include "platform/X11RepaintWatch.h"
#include "platform/X11ScreenRecordingPermission.h"

#include <QAccessible>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// Sets an environment variable for the life of one test.
class ScopedVariable {
public:
    ScopedVariable(const char *name, const char *value) : name_(name) { qputenv(name, value); }
    ~ScopedVariable() { qunsetenv(name_); }

private:
    const char *name_;
};

} // namespace

TEST(DesktopAccessibilityPreferencesTest, EnvironmentOverridesEachSetting)
{
    DesktopAccessibilityPreferences &preferences = DesktopAccessibilityPreferences::shared();
    EXPECT_FALSE(preferences.reduceTransparency()) << "no desktop publishes it";
    {
        const ScopedVariable motion("RAVELOND_REDUCE_MOTION", "1");
        const ScopedVariable transparency("RAVELOND_REDUCE_TRANSPARENCY", "1");
        const ScopedVariable contrast("RAVELOND_INCREASE_CONTRAST", "1");
        EXPECT_TRUE(preferences.reduceMotion());
        EXPECT_TRUE(preferences.reduceTransparency());
        EXPECT_TRUE(preferences.increaseContrast());
    }
    const ScopedVariable motion("RAVELOND_REDUCE_MOTION", "0");
    const ScopedVariable contrast("RAVELOND_INCREASE_CONTRAST", "0");
    EXPECT_FALSE(preferences.reduceMotion());
    EXPECT_FALSE(preferences.increaseContrast());
}

TEST(DesktopAppearanceTest, EnvironmentChoosesDarkOrLight)
{
    {
        const ScopedVariable dark("RAVELOND_APPEARANCE", "dark");
        EXPECT_TRUE(DesktopAppearance::shared().isDark());
    }
    const ScopedVariable light("RAVELOND_APPEARANCE", "Light");
    EXPECT_FALSE(DesktopAppearance::shared().isDark());
}

TEST(X11ScreenRecordingPermissionTest, OnlyARealXServerWithoutWaylandGrants)
{
    // The unit tests run on the offscreen platform, which can show no other
    // application's pixels.
    EXPECT_FALSE(X11ScreenRecordingPermission::shared().hasPermission());
    X11ScreenRecordingPermission::shared().requestPermission();
    EXPECT_FALSE(X11ScreenRecordingPermission::shared().hasPermission());
}

TEST(AccessibilityAnnouncerTest, WithoutAssistiveTechnologyNothingIsShown)
{
    AccessibilityAnnouncer &announcer = AccessibilityAnnouncer::shared();
    QWidget source;
    announcer.announce(&source, QStringLiteral("Selection too small."), Announcer::medium);
    QAccessibleInterface *notification = QAccessible::queryAccessibleInterface(&announcer.notification());
    ASSERT_NE(notification, nullptr);
    EXPECT_EQ(notification->role(), QAccessible::Notification);
    EXPECT_TRUE(notification->text(QAccessible::Name).isEmpty());
    EXPECT_TRUE(notification->state().invisible);
    announcer.announce(nullptr, QStringLiteral("ignored"), Announcer::high);
}

// Announcements go out as AT-SPI's own event only to readers that listen for
// it; the others get the notification element instead, never both.
TEST(AccessibilityAnnouncerTest, OnlyAReaderListeningForAnnouncementsGetsThem)
{
    const struct {
        QStringList events;
        bool covered;
    } cases[] = {
        {{}, false},
        {{QStringLiteral("object:state-changed:showing"), QStringLiteral("window:activate")}, false},
        {{QStringLiteral("object:announcement")}, true},
        {{QStringLiteral("Object:Announcement")}, true},
        {{QStringLiteral("object:")}, true},
        {{QStringLiteral("object:property-change:accessible-name"), QStringLiteral("object")}, true},
        {{QStringLiteral("object:announcement-extra")}, false},
    };
    for (const auto &row : cases)
        EXPECT_EQ(AccessibilityAnnouncer::coversAnnouncements(row.events), row.covered)
            << qPrintable(row.events.join(','));
    EXPECT_EQ(AccessibilityAnnouncer::politeness(Announcer::low), 1);
    EXPECT_EQ(AccessibilityAnnouncer::politeness(Announcer::medium), 1) << "the feedback panel's: polite";
    EXPECT_EQ(AccessibilityAnnouncer::politeness(Announcer::high), 2);
}

// Hiding a window waits until what it covered has been repainted: a shaped
// window (the feedback panel without a compositor) covered only its shape, and
// waiting for its corners would hold every capture up until the bound.
TEST(X11RepaintWatchTest, AShapedWindowCoveredOnlyItsShape)
{
    QWindow window;
    window.setFlag(Qt::FramelessWindowHint);
    window.setGeometry(508, 28, 424, 206);
    EXPECT_EQ(X11RepaintWatch::coveredArea(window), QRegion(508, 28, 424, 206));

    const QRegion rounded = QRegion(0, 0, 424, 206, QRegion::Ellipse);
    window.setMask(rounded);
    const QRegion covered = X11RepaintWatch::coveredArea(window);
    EXPECT_EQ(covered, rounded.translated(508, 28));
    EXPECT_FALSE(covered.contains(QPoint(508, 28))) << "a corner outside the shape";
}
