// The hot key against keyboard maps other than the US one, switched while it is held.
#include "platform/X11HotKeyGrabber.h"
#include "services/GlobalShortcut.h"
#include "support/DesktopTools.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <xcb/xcb.h>
// The keyboard extension's header names a field after a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace {

void setKeymap(const QStringList &arguments)
{
    DesktopTools::run(QStringLiteral("setxkbmap"), arguments);
}

// Whether another application may take Ctrl+Alt and the key that gives `letter` in the map in use.
QByteArray anotherApplicationAsksFor(char letter)
{
    QProcess holder;
    QSignalSpy said(&holder, &QProcess::readyReadStandardOutput);
    holder.start(qEnvironmentVariable("RAVELOND_TEST_BINARY_DIR") + QStringLiteral("/hold_hot_key"),
                 {QStringLiteral("controlOptionC"), QString(QLatin1Char(letter))});
    if (!said.wait(20000))
        return "no answer";
    const QByteArray answer = holder.readAllStandardOutput().trimmed();
    holder.closeWriteChannel();
    holder.waitForFinished(5000);
    return answer;
}

// Switches the keyboard to another layout of its map, as a layout switcher does.
void lockLayout(quint8 layout)
{
    xcb_connection_t *connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    xcb_xkb_latch_lock_state(connection, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, layout, 0, 0, 0);
    xcb_flush(connection);
}

// Types Ctrl+Alt+C as the map in use has it; true once the grabber reports it.
bool typingTheChordIsReported(X11HotKeyGrabber &grabber)
{
    QSignalSpy pressed(&grabber, &HotKeyGrabber::pressed);
    DesktopTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+c")});
    return !pressed.isEmpty() || pressed.wait(20000);
}

} // namespace

TEST(HotKeyKeymapX11Test, TheChordFollowsItsKeySymbolToAnotherKeyboardMapAndGivesBackTheKeyItLeft)
{
    setKeymap({QStringLiteral("-layout"), QStringLiteral("us")});
    X11HotKeyGrabber grabber;
    ASSERT_TRUE(grabber.grab(GlobalShortcut::chord(ShortcutPreset::controlOptionC)));
    EXPECT_TRUE(typingTheChordIsReported(grabber));

    QSignalSpy followed(&grabber, &HotKeyGrabber::followedKeymap);
    setKeymap({QStringLiteral("-layout"), QStringLiteral("us"), QStringLiteral("-variant"), QStringLiteral("dvorak")});
    ASSERT_TRUE(!followed.isEmpty() || followed.wait(20000));
    EXPECT_TRUE(followed.first().first().toBool()) << "taken on its new keys";
    // Dvorak's C is the US I key: the chord is there now, and the key it had
    // before (Dvorak's J) is free for others.
    EXPECT_TRUE(typingTheChordIsReported(grabber));
    EXPECT_EQ(anotherApplicationAsksFor('j'), QByteArray("held"));
    EXPECT_EQ(anotherApplicationAsksFor('c'), QByteArray("refused"));
}

TEST(HotKeyKeymapX11Test, WithTwoLayoutsOnlyTheKeyOfTheLayoutInUseIsTaken)
{
    // US first, Dvorak second: the US I key gives C only in the second layout.
    setKeymap(
        {QStringLiteral("-layout"), QStringLiteral("us,us"), QStringLiteral("-variant"), QStringLiteral(",dvorak")});
    X11HotKeyGrabber grabber;
    ASSERT_TRUE(grabber.grab(GlobalShortcut::chord(ShortcutPreset::controlOptionC)));
    EXPECT_EQ(anotherApplicationAsksFor('i'), QByteArray("held"));
    EXPECT_EQ(anotherApplicationAsksFor('c'), QByteArray("refused"));
}

TEST(HotKeyKeymapX11Test, ASwitchToTheOtherLayoutMovesTheChordToTheKeyThatGivesItThereAndBack)
{
    setKeymap(
        {QStringLiteral("-layout"), QStringLiteral("us,us"), QStringLiteral("-variant"), QStringLiteral(",dvorak")});
    X11HotKeyGrabber grabber;
    ASSERT_TRUE(grabber.grab(GlobalShortcut::chord(ShortcutPreset::controlOptionC)));
    QSignalSpy followed(&grabber, &X11HotKeyGrabber::followedKeymap);

    // Dvorak's C is the US I key, and its J the US C key.
    lockLayout(1);
    ASSERT_TRUE(followed.wait(20000));
    EXPECT_EQ(anotherApplicationAsksFor('c'), QByteArray("refused"));
    EXPECT_EQ(anotherApplicationAsksFor('j'), QByteArray("held"));

    lockLayout(0);
    ASSERT_TRUE(followed.wait(20000));
    EXPECT_EQ(anotherApplicationAsksFor('c'), QByteArray("refused"));
    EXPECT_EQ(anotherApplicationAsksFor('i'), QByteArray("held"));
}
