#include "app/DisplayPlatform.h"
#include "app/InstanceMessage.h"
#include "app/StatusBarController.h"
#include "app/StatusPresentation.h"
#include "app/WindowController.h"
#include "doubles/FakeHotKeyGrabber.h"
#include "services/GlobalShortcut.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

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
    EXPECT_EQ(WindowController::feedbackFrame(QRect(0, 24, 1440, 876), false), QRect(508, 52, 424, 206));
    EXPECT_EQ(WindowController::feedbackFrame(QRect(1440, 0, 1000, 800), true), QRect(1728, 28, 424, 250));
    EXPECT_EQ(WindowController::announcement(CapturePhase::failedPhase(), QStringLiteral("No text found.")),
              QStringLiteral("No text found."));
    EXPECT_EQ(WindowController::announcement(CapturePhase::selectingPhase(), {}),
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return captures == 1; }));
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
