#include "app/AppComposition.h"
#include "app/AppDelegate.h"
#include "app/StatusBarController.h"
#include "app/WindowController.h"
#include "stores/ClipboardHistoryStore.h"
#include "stores/Preferences.h"
#include "support/DesktopTools.h"
#include "support/Patience.h"
#include "support/ShownChild.h"
#include "support/TrayDock.h"
#include "support/design/PracticeCanvas.h"
#include "support/design/SymbolButton.h"
#include "views/HistoryList.h"
#include "views/HistoryRow.h"
#include "views/HistoryView.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace {

constexpr int timeoutMs = Patience::untilHung;

// Another program's copy, served by xclip in the background until the next copy.
std::unique_ptr<QProcess> copyWithXclip(const QString &text)
{
    auto xclip = std::make_unique<QProcess>();
    xclip->start(QStringLiteral("xclip"), {"-quiet", "-selection", "clipboard"});
    xclip->write(text.toUtf8());
    xclip->closeWriteChannel();
    return xclip;
}

// The program's own composition in this process, on a real X server with its
// window manager and tray, driven by real input and real copies.
class HistoryWelcomeTest : public ::testing::Test {
protected:
    std::unique_ptr<AppDelegate> launch(bool seenWelcome)
    {
        auto delegate = std::make_unique<AppDelegate>(composition.modelDependencies(), composition.shellDependencies(),
                                                      CommandLineOptions::parse({QStringLiteral("ravelond")}));
        Preferences &settings = delegate->model().settings();
        if (seenWelcome)
            settings.setHasSeenWelcome(true);
        settings.setPlaySound(false);
        settings.setClipboardHistory(true);
        delegate->launch();
        return delegate;
    }

    // Opens the tray panel with a click, then the history with the panel's button.
    static void openHistoryFromThePanel(AppDelegate &delegate)
    {
        StatusBarController &status = *delegate.statusBar();
        const QRect icon = TrayDock::dockedGeometry(status.item());
        ASSERT_FALSE(icon.isEmpty()) << "the tray never docked the icon";
        DesktopTools::click(icon.center());
        ASSERT_TRUE(QTest::qWaitFor([&] { return status.popover()->isVisible(); }, timeoutMs));
        auto *historyButton = shownChild<QAbstractButton>(*status.popover(), QStringLiteral("historyButton"));
        ASSERT_NE(historyButton, nullptr) << "history is on, so the panel offers it";
        DesktopTools::click(*historyButton);
    }

    static HistoryRow *row(HistoryView &view, const QString &text)
    {
        for (HistoryRow *shown : view.list()->shownRows()) {
            if (shown->item().text == text)
                return shown;
        }
        return nullptr;
    }

    static QStringList shownTexts(HistoryView &view)
    {
        QStringList texts;
        for (HistoryRow *shown : view.list()->shownRows())
            texts << shown->item().text;
        return texts;
    }

    AppComposition composition;
};

} // namespace

TEST_F(HistoryWelcomeTest, CopiesElsewhereAreSearchedPinnedCopiedAgainAndClearedButNeverThePasswordManagersOne)
{
    auto delegate = launch(true);
    ClipboardHistoryStore &store = delegate->model().history();
    ASSERT_TRUE(store.isMonitoring());
    const QString report = QStringLiteral("Quarterly report, third revision");
    const QString coffee = QStringLiteral("Café au lait at nine");

    auto first = copyWithXclip(report);
    ASSERT_TRUE(QTest::qWaitFor([&] { return store.items().size() == 1; }, timeoutMs));
    // A password manager offers its secret with its hint, as KeePassXC does.
    const qint64 seenBefore = store.lastChangeCount();
    QProcess secret;
    secret.start(qEnvironmentVariable("RAVELOND_TEST_BINARY_DIR") + QStringLiteral("/clipboard_offer"),
                 {"--type", "x-kde-passwordManagerHint=secret", "hunter2"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return store.lastChangeCount() > seenBefore; }, timeoutMs));
    auto third = copyWithXclip(coffee);
    ASSERT_TRUE(QTest::qWaitFor([&] { return store.items().size() == 2; }, timeoutMs));
    EXPECT_EQ(store.items().at(0).text, coffee);
    EXPECT_EQ(store.items().at(1).text, report);

    openHistoryFromThePanel(*delegate);
    QWidget *window = delegate->windows().historyWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isVisible() && window->isActiveWindow(); }, timeoutMs));
    auto *view = window->findChild<HistoryView *>();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(shownTexts(*view), QStringList({coffee, report})) << "the secret is not among them";

    auto *search = view->findChild<QLineEdit *>(QStringLiteral("historySearch"));
    DesktopTools::click(*search);
    DesktopTools::xdotool({"type", "--delay", "20", "CAFE"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->search() == QLatin1String("CAFE"); }, timeoutMs));
    EXPECT_EQ(shownTexts(*view), QStringList{coffee});
    DesktopTools::click(*view->findChild<QWidget *>(QStringLiteral("clearSearch")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownTexts(*view).size() == 2; }, timeoutMs));

    DesktopTools::click(*row(*view, report)->pinButton());
    ASSERT_TRUE(QTest::qWaitFor([&] { return store.items().at(0).isPinned; }, timeoutMs));
    EXPECT_EQ(store.items().at(0).text, report);

    DesktopTools::click(*row(*view, coffee)->copyButton());
    EXPECT_TRUE(QTest::qWaitFor([&] { return DesktopTools::clipboardText() == coffee; }, timeoutMs))
        << DesktopTools::clipboardText().toStdString();

    // Return on the confirmation keeps everything; its "Clear all" clears, the pin too.
    DesktopTools::click(*view->findChild<QWidget *>(QStringLiteral("clearAll")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->clearAlert() && view->clearAlert()->isActiveWindow(); }, timeoutMs));
    DesktopTools::xdotool({"key", "Return"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->clearAlert(); }, timeoutMs));
    EXPECT_EQ(store.items().size(), 2);
    DesktopTools::click(*view->findChild<QWidget *>(QStringLiteral("clearAll")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->clearAlert() && view->clearAlert()->isVisible(); }, timeoutMs));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->clearAlert(), Patience::untilHung));
    DesktopTools::click(*view->clearAlert()->findChild<QPushButton *>(QStringLiteral("confirmClearAll")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return store.items().isEmpty(); }, timeoutMs));
    EXPECT_EQ(view->findChild<QWidget *>(QStringLiteral("emptyState"))->isVisible(), true);
    secret.kill();
    secret.waitForFinished(5000);
}

TEST_F(HistoryWelcomeTest, AFirstLaunchShowsTheWelcomeWhosePracticeRunCopiesThePracticeText)
{
    auto delegate = launch(false);
    QWidget *welcome = delegate->windows().welcomeWindow();
    ASSERT_NE(welcome, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return welcome->isVisible(); }, timeoutMs));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(welcome, Patience::untilHung));
    auto *practice = welcome->findChild<QWidget *>(QStringLiteral("practiceLink"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return practice->isVisible(); }, timeoutMs));
    DesktopTools::click(*practice);

    ASSERT_TRUE(
        QTest::qWaitFor([&] { return delegate->model().phase().kind() == CapturePhase::selecting; }, timeoutMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !delegate->model().selection().surfaces().isEmpty(); }, timeoutMs));
    EXPECT_FALSE(welcome->isVisible()) << "hidden for the selection";
    // Drag around the two large lines of the practice card.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRectF card = PracticeCanvas::cardFrame(screen->geometry().size()).translated(screen->geometry().topLeft());
    const QPoint from(int(card.left()) + 36, int(card.center().y()) - 62);
    const QPoint to(int(card.right()) - 30, int(card.center().y()) + 48);
    DesktopTools::xdotool({"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1",
                           "mousemove", QString::number(card.center().x()), QString::number(card.center().y()),
                           "mousemove", QString::number(to.x()), QString::number(to.y()), "mouseup", "1"});
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QString copied = DesktopTools::clipboardText();
            return copied.contains(QLatin1String("Good ideas deserve")) &&
                   copied.contains(QLatin1String("a life beyond pixels."));
        },
        timeoutMs))
        << DesktopTools::clipboardText().toStdString();
    EXPECT_FALSE(delegate->model().settings().hasSeenWelcome()) << "a practice run leaves the welcome unseen";
}
