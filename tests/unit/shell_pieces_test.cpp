#include "app/DisplayPlatform.h"
#include "app/FeedbackPanelPresenter.h"
#include "app/InstanceMessage.h"
#include "app/PopoverDismissal.h"
#include "app/StatusBarController.h"
#include "app/StatusPresentation.h"
#include "app/WindowController.h"
#include "doubles/FakeHotKeyGrabber.h"
#include "services/GlobalShortcut.h"

#include "support/Patience.h"
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(ShellPiecesTest, ThePopoverClosesForClicksAndFocusElsewhereButWaitsForAHeldPressThatMayBeADrag)
{
    using Step = void (*)(PopoverDismissal &);
    const Step focusAwayHeld = [](PopoverDismissal &d) { d.focusLost(true); };
    const Step focusAway = [](PopoverDismissal &d) { d.focusLost(false); };
    const Step press = [](PopoverDismissal &d) { d.pressedElsewhere(); };
    const Step release = [](PopoverDismissal &d) { d.buttonsReleased(); };
    const Step enter = [](PopoverDismissal &d) { d.dragEntered(); };
    const Step leaveHeld = [](PopoverDismissal &d) { d.dragLeft(true); };
    const Step leave = [](PopoverDismissal &d) { d.dragLeft(false); };
    const Step drop = [](PopoverDismissal &d) { d.dropped(); };
    const Step pressAfter = [](PopoverDismissal &d) { d.pressedWhileClosed(); };
    // `echo`: a tray activation after the steps is the closing click's own
    // (a tray without icon geometry sends it after the click closed the popover).
    const struct {
        const char *what;
        std::vector<Step> steps;
        bool closed;
        bool echo;
    } cases[] = {
        {"the keyboard focus moves away", {focusAway}, true, false},
        {"a press in another window, still held", {press, focusAwayHeld}, false, false},
        {"a plain click in another window (or on an icon of unknown place)",
         {press, focusAwayHeld, release},
         true,
         true},
        {"a plain click whose focus change is read after the release", {press, release, focusAway}, true, true},
        {"a click on the desktop, which moves no focus", {press, release}, true, true},
        {"a click that closed it, then another press", {press, release, pressAfter}, true, false},
        {"a drag over the panel, still held", {press, focusAwayHeld, enter}, false, false},
        {"a drag released over the panel, its drop not yet read", {press, focusAwayHeld, enter, release}, false, false},
        {"a drop on the panel", {press, focusAwayHeld, enter, release, drop}, false, false},
        {"a drag that passes over the panel and is let go elsewhere", {press, enter, leaveHeld, release}, true, true},
        {"a drag the source ends over the panel without a drop", {press, enter, release, leave}, true, false},
        {"a release with no press seen (a click inside the panel)", {release}, false, false},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.what);
        int closes = 0;
        PopoverDismissal dismissal([&closes] { ++closes; });
        dismissal.reset();
        for (const Step step : test.steps)
            step(dismissal);
        EXPECT_EQ(closes > 0, test.closed);
        EXPECT_EQ(dismissal.takeClickEcho(), test.echo);
        EXPECT_FALSE(dismissal.takeClickEcho()) << "answered once";
    }
}

TEST(ShellPiecesTest, TheStatusItemShowsOneSymbolAndLabelPerPhase)
{
    const struct {
        CapturePhase phase;
        const char *symbol;
        const char *label;
    } cases[] = {
        {CapturePhase::idlePhase(), "text.viewfinder", "Capture text"},
        {CapturePhase::selectingPhase(), "viewfinder", "Selecting text"},
        {CapturePhase::recognizingWith(OCREngine::vision), "ellipsis.circle", "Reading text"},
        {CapturePhase::recognizingWith(OCREngine::mlx), "ellipsis.circle", "Reading text"},
        {CapturePhase::copiedPhase(), "checkmark.circle", "Text copied"},
        {CapturePhase::cancelledPhase(), "text.viewfinder", "Capture text"},
        {CapturePhase::failedPhase(), "exclamationmark.circle", "Needs attention"},
    };
    for (const auto &expected : cases) {
        const StatusPresentation shown = StatusPresentation::of(expected.phase);
        EXPECT_EQ(shown.symbol, QString::fromUtf8(expected.symbol));
        EXPECT_EQ(shown.toolTip(), QStringLiteral("Ravelond — ") + QString::fromUtf8(expected.label));
    }
}

TEST(ShellPiecesTest, ThePopoverOpensBelowTheIconAboveItAtTheBottomAtThePointerWithoutOneAndStaysOnScreen)
{
    const QRect screen(0, 0, 1440, 900);
    const QRect available(0, 24, 1440, 876);
    const QSize popover(360, 200);
    const QPoint pointer(700, 500);
    const struct {
        QRect icon;
        QPoint expected;
    } cases[] = {
        {QRect(600, 1, 22, 22), QPoint(430, 24)},    // below, centred on the icon
        {QRect(1417, 1, 22, 22), QPoint(1080, 24)},  // kept inside the right edge
        {QRect(600, 877, 22, 22), QPoint(430, 677)}, // a bottom tray: above, inside the area
        {QRect(), QPoint(700, 500)},                 // no geometry: at the pointer
        {QRect(2, 1, 22, 22), QPoint(0, 24)},        // kept inside the left edge
    };
    for (const auto &placement : cases)
        EXPECT_EQ(StatusBarController::popoverPosition(placement.icon, popover, screen, available, pointer),
                  placement.expected);
}

TEST(ShellPiecesTest, TheFeedbackPanelIsCentredTwentyEightBelowTheTopOfTheAvailableArea)
{
    EXPECT_EQ(FeedbackPanelPresenter::frame(QRect(0, 24, 1440, 876), false), QRect(508, 52, 424, 206));
    EXPECT_EQ(FeedbackPanelPresenter::frame(QRect(1440, 0, 1000, 800), true), QRect(1728, 28, 424, 250));
    EXPECT_EQ(FeedbackPanelPresenter::announcement(CapturePhase::failedPhase(), QStringLiteral("No text found.")),
              QStringLiteral("No text found."));
    EXPECT_EQ(FeedbackPanelPresenter::announcement(CapturePhase::selectingPhase(), {}),
              QStringLiteral("Recognizing text on your Mac."));
}

TEST(ShellPiecesTest, InstanceMessagesRoundTripAndAnythingElseIsRefused)
{
    const QByteArray awkward = QStringLiteral("/tmp/a b\n%41/ünï.png").toUtf8() + "/caf\xe9";
    const auto open = InstanceMessage::decode(InstanceMessage::openRequest(awkward).encoded().chopped(1));
    ASSERT_TRUE(open);
    EXPECT_EQ(open->kind, InstanceMessage::open);
    EXPECT_EQ(open->path, awkward);
    EXPECT_EQ(InstanceMessage::decode("reopen")->kind, InstanceMessage::reopen);
    for (const QByteArray &line :
         {QByteArray("reopen "), QByteArray("open "), QByteArray("open relative.png"), QByteArray("open /a b"),
          QByteArray("open %00"), QByteArray("REOPEN"), QByteArray("open /\xc3\xa9"),
          QByteArray("open /") + QByteArray(InstanceMessage::maximumPathBytes, 'a')})
        EXPECT_FALSE(InstanceMessage::decode(line)) << line.left(40).constData();
}

TEST(ShellPiecesTest, TheShortcutReplacesItsGrabAndReportsEachPressOnALaterTurn)
{
    FakeHotKeyGrabber grabber;
    GlobalShortcut shortcut(grabber);
    int captures = 0;
    grabber.press(); // no onCapture yet: nothing happens
    QCoreApplication::sendPostedEvents();
    shortcut.onCapture = [&] { ++captures; };

    EXPECT_TRUE(shortcut.registerPreset(ShortcutPreset::controlOptionC));
    EXPECT_EQ(grabber.held, (HotKeyChord{0x63, HotKeyChord::control | HotKeyChord::alt}));
    grabber.refused = {GlobalShortcut::chord(ShortcutPreset::commandShift2)};
    EXPECT_FALSE(shortcut.registerPreset(ShortcutPreset::commandShift2));
    EXPECT_FALSE(grabber.held) << "a refused chord leaves no hot key, not even the previous one";
    EXPECT_TRUE(shortcut.registerPreset(ShortcutPreset::controlShift2));
    EXPECT_EQ(grabber.held, (HotKeyChord{0x32, HotKeyChord::control | HotKeyChord::shift}));

    grabber.press();
    EXPECT_EQ(captures, 0) << "never inside the key event";
    EXPECT_TRUE(QTest::qWaitFor([&] { return captures == 1; }, Patience::untilHung));
}

TEST(ShellPiecesTest, TheProgramRunsOnX11WhateverPlatformIsAskedForAndNeverOnOneQtCannotLoad)
{
    struct Case {
        QByteArray requested;
        bool display;
        std::optional<QByteArray> chosen;
    } cases[] = {
        {"", true, "xcb"},
        {"", false, std::nullopt},
        {"wayland", true, "xcb"},
        {"wayland", false, std::nullopt},
        {"wayland-egl;xcb", true, "xcb"},
        {"no-such-platform", true, "xcb"},
        {"eglfs", false, std::nullopt},
        {"xcb", false, std::nullopt},
        {"xcb:nograb", true, "xcb:nograb"},
        {"offscreen", false, "offscreen"},
        {"offscreen:configfile=/tmp/s.json", true, "offscreen:configfile=/tmp/s.json;xcb"},
        {"wayland;minimal", false, "minimal"},
    };
    for (const Case &expected : cases)
        EXPECT_EQ(DisplayPlatform::choose(expected.requested, expected.display), expected.chosen)
            << expected.requested.constData() << (expected.display ? " with" : " without") << " a display";
}
