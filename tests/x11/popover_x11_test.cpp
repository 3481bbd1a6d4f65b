// The status item's popover and the result windows of the program's own
// composition on a real X server with its window manager and tray: a drag
// from another client's window onto the open panel, the ways the panel goes
// away, the tray menu by the icon, and edits that outlive an import, a
// capture and a later review.
#include "app/AppComposition.h"
#include "app/AppDelegate.h"
#include "app/StatusBarController.h"
#include "app/WindowController.h"
#include "stores/Preferences.h"
#include "support/DesktopTools.h"
#include "support/ImageFixtures.h"
#include "support/Patience.h"
#include "support/TestEnvironment.h"
#include "support/TrayDock.h"
#include "views/MenuBarView.h"
#include "views/ResultView.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QString helper(const char *name)
{
    return qEnvironmentVariable("RAVELOND_TEST_BINARY_DIR") + QLatin1Char('/') + QLatin1String(name);
}

// A helper program of the test: another client on the display.
class Client {
public:
    Client(const char *program, const QStringList &arguments) { process_.start(helper(program), arguments); }
    ~Client()
    {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000))
            process_.kill();
    }

    // Waits until the program has printed this line.
    bool said(const QByteArray &line)
    {
        return QTest::qWaitFor(
            [&] {
                output_ += process_.readAllStandardOutput();
                return output_.split('\n').contains(line);
            },
            20000);
    }
    QByteArray firstLine()
    {
        if (!QTest::qWaitFor([&] { return (output_ += process_.readAllStandardOutput()).contains('\n'); }, 20000))
            return {};
        return output_.left(output_.indexOf('\n'));
    }

private:
    QProcess process_;
    QByteArray output_;
};

QStringList pointerAt(QPoint point)
{
    return {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y())};
}

bool inAccessibilityTree(const QWidget &window)
{
    QAccessibleInterface *application = QAccessible::queryAccessibleInterface(qApp);
    for (int index = 0; application && index < application->childCount(); ++index) {
        if (application->child(index)->object() == &window)
            return true;
    }
    return false;
}

class PopoverDesktopTest : public ::testing::Test {
protected:
    void launch()
    {
        delegate = std::make_unique<AppDelegate>(composition.modelDependencies(), composition.shellDependencies(),
                                                 CommandLineOptions::parse({QStringLiteral("ravelond")}));
        delegate->model().settings().setHasSeenWelcome(true);
        delegate->model().settings().setPlaySound(false);
        delegate->launch();
        delegate->model().setDismissDelays(60s, 60s);
    }

    // Launched once the tray is up (an icon made before may never be
    // docked); false when the icon never is.
    bool launchDocked()
    {
        if (!QTest::qWaitFor(TrayDock::isUp, 20000))
            return false;
        launch();
        icon = TrayDock::dockedGeometry(delegate->statusBar()->item());
        return !icon.isEmpty();
    }

    QWidget &popover() const { return *delegate->statusBar()->popover(); }

    // Clicks the tray icon and waits for the panel to come up with the keyboard.
    bool openPanel()
    {
        DesktopTools::click(icon.center());
        return QTest::qWaitFor([&] { return popover().isVisible() && popover().isActiveWindow(); }, 20000);
    }

    QString image(const QString &name, const QString &text) const
    {
        const QString path = QDir(TestEnvironment::root()).filePath(name);
        EXPECT_TRUE(ImageFixtures::text(text, 48).save(path));
        return path;
    }

    bool importAndWait(const QString &path)
    {
        AppModel &model = delegate->model();
        const int before = model.completedCount();
        model.importImage(path);
        return QTest::qWaitFor([&] { return model.completedCount() == before + 1 && !model.phase().isBusy(); }, 30000);
    }

    AppComposition composition;
    std::unique_ptr<AppDelegate> delegate;
    QRect icon;
};

} // namespace

TEST_F(PopoverDesktopTest, AFileDraggedFromAnotherWindowOntoTheOpenPanelIsImportedAsACopyOfItsFirstFile)
{
    ASSERT_TRUE(launchDocked()) << "never docked";
    const QString first = image(QStringLiteral("first.png"), QStringLiteral("Dropped 42"));
    const QString second = image(QStringLiteral("second.png"), QStringLiteral("Other 7"));
    const QRect source(60, 300, 320, 240);
    Client files(
        "drag_source",
        {QStringLiteral("%1,%2,%3,%4").arg(source.x()).arg(source.y()).arg(source.width()).arg(source.height()), first,
         second});
    ASSERT_TRUE(files.said("ready"));
    ASSERT_TRUE(openPanel());
    EXPECT_TRUE(inAccessibilityTree(popover())) << "the panel is in the accessibility tree while shown";
    auto *panel = popover().findChild<MenuBarView *>();
    ASSERT_NE(panel, nullptr);

    // The press in the other window takes the keyboard; the panel stays for the drag.
    DesktopTools::xdotool(pointerAt(source.topLeft() + QPoint(60, 40))
                          << QStringLiteral("mousedown") << QStringLiteral("1"));
    ASSERT_TRUE(files.said("dragging"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !popover().isActiveWindow(); }, Patience::untilHung));
    const QPoint target = popover().frameGeometry().center();
    DesktopTools::xdotool(pointerAt(target - QPoint(10, 10)));
    DesktopTools::xdotool(pointerAt(target));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->isDropTarget(); }, Patience::untilHung))
        << "the drag reached the panel";
    EXPECT_TRUE(popover().isVisible());

    DesktopTools::xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    EXPECT_TRUE(files.said("dropped copy"));
    AppModel &model = delegate->model();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.phase().kind() == CapturePhase::copied; }, 30000))
        << model.lastError().toStdString();
    EXPECT_TRUE(model.latest()->text.contains(QStringLiteral("Dropped"))) << model.latest()->text.toStdString();
    EXPECT_EQ(model.results().size(), 1u) << "only the first file";
    EXPECT_TRUE(QTest::qWaitFor([&] { return DesktopTools::clipboardText() == model.latest()->text; }, 20000));
    EXPECT_FALSE(popover().isVisible()) << "the import put the panel away";
}

TEST_F(PopoverDesktopTest, APlainClickElsewhereEscapeFocusMovingAwayOrARightClickOnTheIconClosesThePanel)
{
    ASSERT_TRUE(launchDocked()) << "never docked";
    const QRect other(60, 300, 320, 240);
    Client files("drag_source",
                 {QStringLiteral("%1,%2,%3,%4").arg(other.x()).arg(other.y()).arg(other.width()).arg(other.height())});
    ASSERT_TRUE(files.said("ready"));
    Client window("test_window", {QStringLiteral("elsewhere")});
    const QString windowId = QString::fromLatin1(window.firstLine());
    ASSERT_FALSE(windowId.isEmpty());
    QMenu &menu = *delegate->statusBar()->menu();

    const struct {
        const char *how;
        QStringList input;
        bool opensMenu;
    } ways[] = {
        {"a click in another window",
         pointerAt(other.center() + QPoint(0, 60)) << "click"
                                                   << "1",
         false},
        {"a click on the desktop",
         pointerAt(QPoint(900, 900)) << "click"
                                     << "1",
         false},
        {"Escape", {"key", "Escape"}, false},
        {"the keyboard focus moving away", {"windowactivate", windowId}, false},
        {"a right click on the icon",
         pointerAt(icon.center()) << "click"
                                  << "3",
         true},
    };
    for (const auto &way : ways) {
        SCOPED_TRACE(way.how);
        ASSERT_TRUE(openPanel());
        DesktopTools::xdotool(way.input);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !popover().isVisible(); }, Patience::untilHung));
        if (!way.opensMenu)
            continue;
        ASSERT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); }, Patience::untilHung));
        // The tray here sits at the top right: the menu hangs below the icon, on screen.
        const QRect placed = menu.geometry();
        EXPECT_GE(placed.top(), icon.bottom()) << placed.top();
        EXPECT_LE(placed.top(), icon.bottom() + 4);
        EXPECT_LE(placed.right(), QGuiApplication::primaryScreen()->geometry().right());
        EXPECT_LE(placed.left(), icon.right());
        DesktopTools::xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        EXPECT_TRUE(QTest::qWaitFor([&] { return !menu.isVisible(); }, Patience::untilHung));
    }
}

TEST_F(PopoverDesktopTest, EditsInAResultWindowOutliveAnImportACaptureAndALaterReviewUntilTheWindowIsClosed)
{
    launch();
    AppModel &model = delegate->model();
    ASSERT_TRUE(importAndWait(image(QStringLiteral("heron.png"), QStringLiteral("Heron 77"))));
    model.reviewLatest();
    WindowController &windows = delegate->windows();
    QWidget *edited = windows.resultWindow();
    ASSERT_NE(edited, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return edited->isActiveWindow(); }, Patience::untilHung));
    auto *view = edited->findChild<ResultView *>();
    auto *editor = edited->findChild<QTextEdit *>(QStringLiteral("editor"));
    ASSERT_NE(editor, nullptr);

    // Long enough to scroll; the last words typed as a user types them.
    QStringList lines;
    for (int line = 1; line <= 80; ++line)
        lines << QStringLiteral("line %1").arg(line);
    editor->setPlainText(lines.join(QLatin1Char('\n')));
    DesktopTools::click(*editor);
    DesktopTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+End")});
    DesktopTools::xdotool({QStringLiteral("type"), QStringLiteral(" typed")});
    const QString text = lines.join(QLatin1Char('\n')) + QStringLiteral(" typed");
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->text() == text; }, Patience::untilHung))
        << view->text().toStdString();
    DesktopTools::xdotool({QStringLiteral("key"), QStringLiteral("Up"), QStringLiteral("Up")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor->textCursor().position() < text.size(); }, Patience::untilHung));
    const int cursor = editor->textCursor().position();
    const int scroll = editor->verticalScrollBar()->value();
    ASSERT_GT(scroll, 0);

    ASSERT_TRUE(importAndWait(image(QStringLiteral("wren.png"), QStringLiteral("Wren 31"))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return edited->isVisible(); }, Patience::untilHung))
        << "back once the import is over";
    EXPECT_EQ(windows.resultWindow(), edited);
    EXPECT_EQ(view->text(), text);
    EXPECT_EQ(editor->textCursor().position(), cursor);
    EXPECT_EQ(editor->verticalScrollBar()->value(), scroll);

    // A capture hides it while the screen is frozen for the selection; given up, it comes back as it was.
    model.startCapture();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.phase().kind() == CapturePhase::selecting; }));
    EXPECT_FALSE(edited->isVisible());
    model.cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edited->isVisible(); })) << "back once the capture is over";
    EXPECT_EQ(view->text(), text);
    EXPECT_EQ(editor->textCursor().position(), cursor);
    EXPECT_EQ(editor->verticalScrollBar()->value(), scroll);

    // The review of the new result opens beside the edited window, which stays.
    model.reviewLatest();
    QWidget *fresh = windows.resultWindow();
    ASSERT_NE(fresh, edited);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fresh->isActiveWindow(); }, Patience::untilHung));
    EXPECT_TRUE(fresh->findChild<ResultView *>()->text().contains(QStringLiteral("Wren")));
    ASSERT_EQ(windows.keptResultWindows(), QList<QWidget *>{edited});
    EXPECT_TRUE(edited->isVisible());
    EXPECT_EQ(view->text(), text);
    EXPECT_NE(fresh->frameGeometry().topLeft(), edited->frameGeometry().topLeft()) << "not on top of it";

    // Closing a window lets its edits go: the next review replaces it.
    for (QWidget *closing : {edited, fresh}) {
        closing->findChild<QTextEdit *>(QStringLiteral("editor"))->setPlainText(QStringLiteral("let go"));
        closing->close();
    }
    const QPointer<QWidget> gone(fresh);
    model.reviewLatest();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !gone && windows.keptResultWindows().isEmpty(); }, Patience::untilHung));
}
