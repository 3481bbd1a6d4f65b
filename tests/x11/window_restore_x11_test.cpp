// Windows of ours brought back from the taskbar by every road that shows them.
#include "app/AppComposition.h"
#include "app/AppDelegate.h"
#include "app/WindowController.h"
#include "stores/Preferences.h"
#include "support/DesktopTools.h"

#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

class WindowRestoreTest : public ::testing::Test {
protected:
    WindowRestoreTest()
    {
        delegate = std::make_unique<AppDelegate>(composition.modelDependencies(), composition.shellDependencies(),
                                                 CommandLineOptions::parse({QStringLiteral("ravelond")}));
        delegate->model().settings().setHasSeenWelcome(true);
        delegate->launch();
    }

    // Minimised by the window manager, as its button or the taskbar does it.
    static bool minimise(QWidget &window)
    {
        DesktopTools::xdotool({QStringLiteral("windowminimize"), QString::number(window.winId())});
        return QTest::qWaitFor([&] { return window.windowHandle()->visibility() == QWindow::Minimized; }, 20000);
    }

    static bool onScreen(QWidget &window)
    {
        return QTest::qWaitFor(
            [&] {
                return window.windowHandle()->visibility() != QWindow::Minimized && window.windowHandle()->isExposed();
            },
            20000);
    }

    // The window functions the window manager is asked to offer (_MOTIF_WM_HINTS).
    static QByteArray motifHints(QWidget &window)
    {
        return DesktopTools::run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window.winId()),
                                                           QStringLiteral("_MOTIF_WM_HINTS")});
    }

    AppComposition composition;
    std::unique_ptr<AppDelegate> delegate;
};

} // namespace

TEST_F(WindowRestoreTest, AMinimisedWindowComesBackWhenItIsOpenedAgainAndASecondLaunchFindsNoneOnScreen)
{
    WindowController &windows = delegate->windows();
    AppModel &model = delegate->model();
    model.onHistory();
    QWidget &history = *windows.historyWindow();
    ASSERT_TRUE(onScreen(history));
    ASSERT_TRUE(minimise(history));
    model.onHistory();
    EXPECT_TRUE(onScreen(history));

    // Nothing of ours on screen: a second launch shows the welcome window.
    ASSERT_TRUE(minimise(history));
    EXPECT_FALSE(windows.hasVisibleWindow());
    EXPECT_TRUE(delegate->reopen());
    ASSERT_NE(windows.welcomeWindow(), nullptr);
    EXPECT_TRUE(onScreen(*windows.welcomeWindow()));
}

TEST_F(WindowRestoreTest, OnlyTheWindowsThatCanBeResizedOfferToBeMinimised)
{
    WindowController &windows = delegate->windows();
    AppModel &model = delegate->model();
    model.onWelcome();
    model.onHistory();
    ASSERT_TRUE(onScreen(*windows.welcomeWindow()) && onScreen(*windows.historyWindow()));
    // Functions: the minimise bit (8) is offered by the history window only.
    const auto offersMinimise = [](const QByteArray &hints) {
        const QList<QByteArray> fields = hints.mid(hints.indexOf('=') + 1).split(',');
        return fields.size() > 1 && (fields[1].trimmed().toUInt(nullptr, 0) & 0x8) != 0;
    };
    EXPECT_FALSE(offersMinimise(motifHints(*windows.welcomeWindow())))
        << motifHints(*windows.welcomeWindow()).constData();
    EXPECT_TRUE(offersMinimise(motifHints(*windows.historyWindow())))
        << motifHints(*windows.historyWindow()).constData();
}
