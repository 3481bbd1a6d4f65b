// The menu-bar panel and the result window of the program's own composition,
// on a real X server with its window manager and tray, driven by real input:
// the tray click, the panel's buttons, the keyboard in the dialogs and the
// editor, and the clipboard read back by another process.
#include "app/AppComposition.h"
#include "app/AppDelegate.h"
#include "app/StatusBarController.h"
#include "app/WindowController.h"
#include "stores/Preferences.h"
#include "support/DesktopTools.h"
#include "support/ImageFixtures.h"
#include "support/Patience.h"
#include "support/ShownChild.h"
#include "support/TestEnvironment.h"
#include "support/TrayDock.h"
#include "support/design/ClampedLabel.h"
#include "views/ResultView.h"
#include "views/SelectionWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

template <typename Widget = QWidget>
Widget *shown(const QWidget *root, const QString &name)
{
    return shownChild<Widget>(*root, name);
}

QString labelText(const QWidget *root, const QString &name)
{
    const auto *label = shown<ClampedLabel>(root, name);
    return label ? label->text() : QStringLiteral("<none>");
}

QFileDialog *activeFileDialog()
{
    QFileDialog *found = nullptr;
    const bool up = QTest::qWaitFor(
        [&found] {
            for (QWidget *window : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QFileDialog *>(window);
                if (dialog && dialog->isVisible() && dialog->isActiveWindow())
                    found = dialog;
            }
            return found != nullptr;
        },
        20000);
    return up ? found : nullptr;
}

// Types the path into the dialog's file name field (all of it, over what it
// proposes) and confirms with Return. The field's completer may be showing
// its list by then: its first Return only puts the list away.
bool choose(QFileDialog &shown, const QString &path)
{
    // The dialog deletes itself once it has closed.
    const QPointer<QFileDialog> dialog(&shown);
    DesktopTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
    DesktopTools::xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), path});
    bool closed = false;
    for (int attempt = 0; attempt < 3 && !closed; ++attempt) {
        DesktopTools::xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        closed = QTest::qWaitFor([&dialog] { return !dialog || !dialog->isVisible(); }, 1000);
    }
    return closed;
}

// Clicks the tray icon until the panel is up: a click that comes soon after
// the last one on the icon counts as a double click, which the status item
// leaves alone.
bool openPanel(QPoint icon, const QWidget &popover)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        DesktopTools::click(icon);
        if (QTest::qWaitFor([&popover] { return popover.isVisible(); }, 1500))
            return true;
    }
    return false;
}

class CapturePanelsDesktopTest : public ::testing::Test {
protected:
    std::unique_ptr<AppDelegate> launch()
    {
        ShellDependencies shell = composition.shellDependencies();
        // The end of the quit road, counted instead of ending the test.
        shell.terminate = [this] { ++terminations; };
        auto delegate = std::make_unique<AppDelegate>(composition.modelDependencies(), shell,
                                                      CommandLineOptions::parse({QStringLiteral("ravelond")}));
        delegate->model().settings().setHasSeenWelcome(true);
        delegate->model().settings().setPlaySound(false);
        delegate->launch();
        delegate->model().setDismissDelays(60s, 60s);
        return delegate;
    }

    AppComposition composition;
    int terminations = 0;
};

} // namespace

TEST_F(CapturePanelsDesktopTest, FromTheTrayToAnImportedCaptureEditedCopiedAndSaved)
{
    const QString image = QDir(TestEnvironment::root()).filePath(QStringLiteral("heron.png"));
    ASSERT_TRUE(ImageFixtures::text(QStringLiteral("Heron 77"), 48).save(image));
    const QString saved = QDir(TestEnvironment::root()).filePath(QStringLiteral("saved capture.txt"));
    QFile::remove(saved);
    auto delegate = launch();
    AppModel &model = delegate->model();
    StatusBarController &status = *delegate->statusBar();
    const QRect icon = TrayDock::dockedGeometry(status.item());
    ASSERT_FALSE(icon.isEmpty()) << "never docked";
    QWidget *popover = status.popover();

    // The panel, as the tray opens it.
    ASSERT_TRUE(openPanel(icon.center(), *popover));
    EXPECT_EQ(labelText(popover, QStringLiteral("statusText")), QStringLiteral("Ready when you are."));
    EXPECT_NE(shown(popover, QStringLiteral("dropZone")), nullptr);

    // "Open image…" puts the panel away and asks for the picture.
    auto *openImage = shown<QAbstractButton>(popover, QStringLiteral("openImageButton"));
    ASSERT_NE(openImage, nullptr);
    DesktopTools::click(*openImage);
    QFileDialog *chooser = activeFileDialog();
    ASSERT_NE(chooser, nullptr);
    EXPECT_FALSE(popover->isVisible());
    ASSERT_TRUE(choose(*chooser, image));
    chooser = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.phase().kind() == CapturePhase::copied; }, 30000))
        << model.lastError().toStdString();
    const QString recognised = model.latest()->text;
    EXPECT_TRUE(recognised.contains(QStringLiteral("Heron"))) << recognised.toStdString();

    // The card, with the capture's row, opens it in the result window.
    ASSERT_TRUE(openPanel(icon.center(), *popover));
    EXPECT_EQ(labelText(popover, QStringLiteral("statusText")), QStringLiteral("Copied and ready to paste."));
    EXPECT_EQ(shown(popover, QStringLiteral("cardHeader"))->accessibleName(), QStringLiteral("LAST CAPTURE"));
    EXPECT_EQ(shown(popover, QStringLiteral("dropZone")), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return popover->height() == popover->sizeHint().height(); }, Patience::untilHung))
        << "the popover takes the panel's new height";
    auto *row = shown<QAbstractButton>(popover, QStringLiteral("resultRow"));
    ASSERT_NE(row, nullptr);
    DesktopTools::click(*row);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return delegate->windows().resultWindow() && delegate->windows().resultWindow()->isActiveWindow(); },
        Patience::untilHung));
    EXPECT_FALSE(popover->isVisible());
    QWidget *result = delegate->windows().resultWindow();
    auto *view = result->findChild<ResultView *>();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->text(), recognised);

    // Edited at the end, copied with the keyboard, read back by another program.
    auto *editor = shown<QTextEdit>(result, QStringLiteral("editor"));
    DesktopTools::click(*editor);
    DesktopTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+End")});
    DesktopTools::xdotool({QStringLiteral("type"), QStringLiteral(" edited")});
    const QString edited = recognised + QStringLiteral(" edited");
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->text() == edited; }, Patience::untilHung))
        << view->text().toStdString();
    EXPECT_EQ(labelText(result, QStringLiteral("counts")),
              QString::number(edited.size()) + QStringLiteral(" characters · ") +
                  QString::number(edited.split(QLatin1Char(' '), Qt::SkipEmptyParts).size()) +
                  QStringLiteral(" words"));
    DesktopTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+c")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return DesktopTools::clipboardText() == edited; }, 20000))
        << DesktopTools::clipboardText().toStdString();
    EXPECT_TRUE(view->showsCopied());
    EXPECT_EQ(model.latest()->text, recognised) << "the kept result is as it was recognised";

    // Saved through the dialog, exactly the edited text.
    auto *save = shown<QAbstractButton>(result, QStringLiteral("saveButton"));
    DesktopTools::click(*save);
    QFileDialog *saveDialog = activeFileDialog();
    ASSERT_NE(saveDialog, nullptr);
    EXPECT_EQ(saveDialog, view->saveDialog());
    ASSERT_TRUE(choose(*saveDialog, saved));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(saved); }, 20000));
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), edited);

    // Return in the panel presses its capture button; Escape then cancels the capture.
    ASSERT_TRUE(openPanel(icon.center(), *popover));
    DesktopTools::xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.phase().kind() == CapturePhase::selecting; }, Patience::untilHung));
    EXPECT_FALSE(popover->isVisible()) << "the capture put the panel away";
    // Escape reaches the overlay once it holds the keyboard.
    ASSERT_TRUE(QTest::qWaitFor(
        [] {
            const QWidget *focus = QApplication::focusWidget();
            return focus && focus->window()->windowTitle() == SelectionWindow::title &&
                   focus->window()->isActiveWindow();
        },
        Patience::untilHung));
    DesktopTools::xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return model.phase().kind() == CapturePhase::cancelled; }, Patience::untilHung));

    // Quit in the panel's footer takes the program's own quit road to its end.
    ASSERT_TRUE(openPanel(icon.center(), *popover));
    auto *quit = shown<QAbstractButton>(popover, QStringLiteral("quitButton"));
    ASSERT_NE(quit, nullptr);
    DesktopTools::click(*quit);
    EXPECT_TRUE(QTest::qWaitFor([&] { return terminations == 1; }, 20000));
    EXPECT_FALSE(popover->isVisible());
}
