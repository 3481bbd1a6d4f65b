// The hot key against keyboard maps other than the US one, switched while it is held.
#include "platform/X11HotKeyGrabber.h"
#include "services/GlobalShortcut.h"
#include "support/DesktopTools.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

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
