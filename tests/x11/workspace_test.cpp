#include "platform/X11Workspace.h"

#include "support/Patience.h"
#include <QProcess>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class TestWindowProcess {
public:
    TestWindowProcess()
    {
        process_.start(qEnvironmentVariable("RAVELOND_TEST_BINARY_DIR") + QStringLiteral("/test_window"),
                       {QStringLiteral("other application")});
        if (process_.waitForStarted() && process_.waitForReadyRead(10000))
            window_ = process_.readLine().trimmed().toUInt();
    }
    ~TestWindowProcess()
    {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished();
    }
    quint32 window() const { return window_; }
    qint64 processId() const { return process_.processId(); }

private:
    QProcess process_;
    quint32 window_ = 0;
};

bool frontmostBecomes(X11Workspace &workspace, quint32 window)
{
    return QTest::qWaitFor(
        [&] {
            const auto frontmost = workspace.frontmostApplication();
            return frontmost && frontmost->window == window;
        },
        15000);
}

} // namespace

TEST(X11WorkspaceTest, ReportsTheActiveWindowWithItsProcessAndBringsItBack)
{
    X11Workspace workspace;
    TestWindowProcess other;
    ASSERT_NE(other.window(), 0u);
    // A loaded window manager may not focus a new window by itself; the test
    // is about what the workspace reports, not about that.
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QString::number(other.window())});
    ASSERT_TRUE(frontmostBecomes(workspace, other.window()));
    EXPECT_EQ(workspace.frontmostApplication()->processId, other.processId());

    QWidget ours;
    ours.resize(200, 100);
    // The window manager focuses a newly mapped window by itself; asking Qt to
    // activate it as well would send a second, late request that races ours below.
    ours.show();
    ASSERT_TRUE(frontmostBecomes(workspace, quint32(ours.winId())));
    EXPECT_EQ(workspace.frontmostApplication()->processId, QCoreApplication::applicationPid());

    workspace.activate({other.window(), other.processId()});
    EXPECT_TRUE(frontmostBecomes(workspace, other.window()));
}

TEST(X11WorkspaceTest, AWindowThatHasGoneIsNotReportedAndActivatingItIsHarmless)
{
    X11Workspace workspace;
    quint32 vanished = 0;
    {
        TestWindowProcess other;
        vanished = other.window();
        ASSERT_TRUE(frontmostBecomes(workspace, vanished));
    }
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto frontmost = workspace.frontmostApplication();
            return !frontmost || frontmost->window != vanished;
        },
        Patience::untilHung));
    workspace.activate({vanished, 0});

    QWidget ours;
    ours.resize(200, 100);
    ours.show();
    EXPECT_TRUE(frontmostBecomes(workspace, quint32(ours.winId())));
}
