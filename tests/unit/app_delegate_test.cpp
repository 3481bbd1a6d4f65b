#include "app/AppDelegate.h"
#include "app/QuitAlert.h"
#include "app/QuitController.h"
#include "app/WindowController.h"
#include "doubles/FakeHotKeyGrabber.h"
#include "doubles/FakePermission.h"
#include "doubles/RecordingSoundPlayer.h"
#include "doubles/RecordingWorkspace.h"
#include "platform/DefaultsDomain.h"
#include "platform/MemoryPasteboard.h"
#include "services/GlobalShortcut.h"
#include "services/MLXSetup.h"
#include "services/VisionOCR.h"
#include "stores/ClipboardHistoryStore.h"
#include "stores/Preferences.h"
#include "support/ImageFixtures.h"
#include "support/MLXTestRoot.h"
#include "support/Patience.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QCoroTimer>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUuid>
#include <gtest/gtest.h>

namespace {

// Remembers the keys that reach it.
class KeyTarget : public QWidget {
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override { keys.append(event->key()); }
};

// The delegate over private settings, history and clipboard, the real
// recogniser, a fake hot key and a selection that waits until it is stopped.
class AppDelegateTest : public ::testing::Test {
protected:
    std::unique_ptr<AppDelegate> make(QStringList arguments, bool seenWelcome = true)
    {
        preferences.setHasSeenWelcome(seenWelcome);
        AppModel::Dependencies model;
        model.settings = &preferences;
        model.history = &history;
        model.workspace = &workspace;
        model.copySound = &sound;
        model.vision = &VisionOCR::shared();
        model.platform = SelectionPlatform::system();
        model.platform.permission = &permission;
        model.selectImage = [](bool, OCREngine, std::stop_token token) -> QCoro::Task<QImage> {
            while (!token.stop_requested())
                co_await QCoro::sleepFor(std::chrono::milliseconds(5));
            throw TrovError::of(TrovError::cancelled);
        };
        ShellDependencies shell;
        shell.hotKeys = &grabber;
        shell.statusItem = false;
        shell.keepInstalling = [this] { return keepInstalling(); };
        shell.dismissQuestion = QuitAlert::dismiss;
        shell.terminate = [this] { ++terminations; };
        arguments.prepend(QStringLiteral("ravelond"));
        auto delegate = std::make_unique<AppDelegate>(model, shell, CommandLineOptions::parse(arguments));
        delegate->model().copyText = [this](const QString &text) {
            copied.append(text);
            return true;
        };
        return delegate;
    }

    static QString textImage(const QString &text)
    {
        const QString path = QDir(TestEnvironment::root()).filePath(text + QStringLiteral(".png"));
        ImageFixtures::text(text, 48).save(path);
        return path;
    }

    DefaultsDomain defaults{QStringLiteral("shell.test.") + QUuid::createUuid().toString(QUuid::WithoutBraces)};
    Preferences preferences{defaults};
    MemoryPasteboard pasteboard;
    ClipboardHistoryStore history{TestEnvironment::root() + QStringLiteral("/history.json"), pasteboard};
    RecordingWorkspace workspace;
    RecordingSoundPlayer sound;
    FakeHotKeyGrabber grabber;
    FakePermission permission;
    std::function<bool()> keepInstalling = [] { return false; };
    int terminations = 0;
    QStringList copied;
};

} // namespace

TEST_F(AppDelegateTest, LaunchShowsTheWelcomeFirstThenImportsAnOptionsValueWhateverItIs)
{
    auto delegate = make({"--open-image", "--welcome"}, true);
    delegate->launch();
    ASSERT_NE(delegate->windows().welcomeWindow(), nullptr) << "--welcome counts although it is the value";
    EXPECT_EQ(delegate->windows().welcomeWindow()->windowTitle(), QStringLiteral("Welcome to Ravelond"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return delegate->model().phase().kind() == CapturePhase::failed; }, Patience::untilHung));
    EXPECT_TRUE(copied.isEmpty());

    auto quiet = make({"--smoke-test"}, true);
    quiet->launch();
    EXPECT_EQ(quiet->windows().welcomeWindow(), nullptr) << "a valueless option is ignored";
    EXPECT_EQ(quiet->model().phase().kind(), CapturePhase::idle);
}

TEST_F(AppDelegateTest, SettingsAreFollowedOnEveryAssignmentAndTheHotKeyOnALaterTurn)
{
    auto delegate = make({});
    delegate->launch();
    EXPECT_TRUE(grabber.grabs.isEmpty()) << "registered only once the launch has returned";
    ASSERT_TRUE(QTest::qWaitFor([&] { return grabber.grabs.size() == 1; }, Patience::untilHung));
    EXPECT_FALSE(delegate->model().shortcutConflict());

    grabber.refused = {GlobalShortcut::chord(ShortcutPreset::controlOptionC)};
    preferences.setShortcut(ShortcutPreset::controlOptionC); // the same preset again
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate->model().shortcutConflict(); }, Patience::untilHung));
    preferences.setShortcut(ShortcutPreset::controlShift2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !delegate->model().shortcutConflict(); }, Patience::untilHung));
    EXPECT_EQ(grabber.grabs.size(), 3);
    // Another keyboard map puts the chord on keys another program holds, then a later one frees it.
    grabber.changeKeymap(true);
    EXPECT_TRUE(delegate->model().shortcutConflict());
    grabber.changeKeymap(false);
    EXPECT_FALSE(delegate->model().shortcutConflict());

    QSignalSpy cleared(&delegate->model(), &AppModel::resultsChanged);
    preferences.setRememberSession(false); // already false: clears again
    preferences.setRememberSession(true);
    EXPECT_EQ(cleared.size(), 1);

    preferences.setClipboardHistory(true);
    EXPECT_TRUE(history.isEnabled());
    history.record(QStringLiteral("kept"));
    preferences.setClipboardHistory(false);
    EXPECT_FALSE(history.isEnabled());
    EXPECT_TRUE(history.items().isEmpty());
}

TEST_F(AppDelegateTest, EscapeAndTheHotKeyCancelOnlyWhileBusyAndEscapeThenReachesNoWindow)
{
    auto delegate = make({});
    delegate->launch();
    KeyTarget target;
    target.show();
    QTest::keyClick(&target, Qt::Key_Escape);
    EXPECT_EQ(target.keys, QList<int>{Qt::Key_Escape}) << "idle: Escape passes on";

    AppModel &model = delegate->model();
    model.startPractice();
    ASSERT_EQ(model.phase().kind(), CapturePhase::selecting);
    EXPECT_FALSE(delegate->reopen()) << "busy: reopening shows nothing";
    QTest::keyClick(&target, Qt::Key_Escape);
    EXPECT_EQ(target.keys.size(), 1) << "busy: Escape is swallowed";
    EXPECT_TRUE(QTest::qWaitFor([&] { return model.phase().kind() == CapturePhase::cancelled; }, Patience::untilHung));

    ASSERT_TRUE(
        QTest::qWaitFor([&] { return grabber.held.has_value() && !model.isOperationRunning(); }, Patience::untilHung));
    grabber.press();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.phase().kind() == CapturePhase::selecting; }, Patience::untilHung));
    grabber.press();
    EXPECT_TRUE(QTest::qWaitFor([&] { return model.phase().kind() == CapturePhase::cancelled; }, Patience::untilHung));

    EXPECT_TRUE(delegate->reopen());
    ASSERT_NE(delegate->windows().welcomeWindow(), nullptr) << "no window visible: the welcome window";
    EXPECT_TRUE(delegate->windows().welcomeWindow()->isVisible());
}

// The tray menu takes Escape to close itself: a capture running behind it goes on.
TEST_F(AppDelegateTest, EscapeInAnOpenMenuOnlyClosesTheMenu)
{
    auto delegate = make({});
    delegate->launch();
    AppModel &model = delegate->model();
    model.startPractice();
    ASSERT_EQ(model.phase().kind(), CapturePhase::selecting);
    QMenu menu;
    menu.addAction(QStringLiteral("Capture Text"));
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == &menu; }, Patience::untilHung));
    QTest::keyClick(&menu, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !menu.isVisible(); }, Patience::untilHung));
    EXPECT_EQ(model.phase().kind(), CapturePhase::selecting) << "the capture goes on";
    model.cancel();
    EXPECT_TRUE(QTest::qWaitFor([&] { return model.phase().kind() == CapturePhase::cancelled; }, Patience::untilHung));
}

TEST_F(AppDelegateTest, OpeningSeveralFilesImportsTheFirstOnly)
{
    auto delegate = make({});
    delegate->launch();
    delegate->openFiles({textImage(QStringLiteral("Kestrel")), textImage(QStringLiteral("Heron"))});
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate->model().phase().kind() == CapturePhase::copied; }, 20000));
    EXPECT_EQ(copied, QStringList{QStringLiteral("Kestrel")});
}

TEST(QuitControllerTest, EveryRequestTakesOneRoadAndNoneQuitsBehindTheUsersAnswer)
{
    struct Case {
        bool installing;
        bool keep;
        bool askAgainDuringTheQuestion;
        int questions;
        bool quits;
    } cases[] = {
        {false, false, false, 0, true},
        {true, true, false, 1, false},
        {true, false, false, 1, true},
        // A signal or the session ending while the question is open.
        {true, true, true, 1, false},
        {true, false, true, 1, true},
    };
    for (const Case &expected : cases) {
        int questions = 0, shutdowns = 0, terminations = 0;
        QuitController *self = nullptr;
        QuitController quit({[&] { return expected.installing; },
                             [&] {
                                 ++questions;
                                 if (expected.askAgainDuringTheQuestion)
                                     self->requestQuit();
                                 return expected.keep;
                             },
                             [&]() -> QCoro::Task<void> {
                                 ++shutdowns;
                                 co_await QCoro::sleepFor(std::chrono::milliseconds(20));
                             },
                             [&] { ++terminations; },
                             {}});
        self = &quit;
        EXPECT_EQ(quit.shouldTerminate(), QuitController::Reply::cancel);
        quit.requestQuit(); // a second request while shutting down, or a later one after "Keep installing"
        EXPECT_EQ(questions, expected.quits ? expected.questions : 2 * expected.questions);
        EXPECT_EQ(shutdowns, expected.quits ? 1 : 0);
        if (expected.quits) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return terminations == 1; }, Patience::untilHung));
            EXPECT_TRUE(quit.mayTerminate());
            EXPECT_EQ(quit.shouldTerminate(), QuitController::Reply::terminateNow);
        }
        QTest::qWait(40);
        EXPECT_EQ(terminations, expected.quits ? 1 : 0);
        EXPECT_EQ(shutdowns, expected.quits ? 1 : 0);
    }
}

TEST(QuitControllerTest, AQuitSignalStopsTheInstallationWithoutAskingAndOverrulesAnOpenQuestion)
{
    for (const bool duringTheQuestion : {false, true}) {
        SCOPED_TRACE(duringTheQuestion ? "during the question" : "while installing");
        int questions = 0, dismissals = 0, shutdowns = 0, terminations = 0;
        QuitController *self = nullptr;
        QuitController quit({[] { return true; },
                             [&] {
                                 ++questions;
                                 if (duringTheQuestion)
                                     self->requestQuitWithoutAsking();
                                 return true; // closed as Escape would: "Keep installing"
                             },
                             [&]() -> QCoro::Task<void> {
                                 ++shutdowns;
                                 co_await QCoro::sleepFor(std::chrono::milliseconds(20));
                             },
                             [&] { ++terminations; }, [&] { ++dismissals; }});
        self = &quit;
        if (duringTheQuestion)
            quit.requestQuit();
        else
            quit.requestQuitWithoutAsking();
        EXPECT_EQ(questions, duringTheQuestion ? 1 : 0);
        EXPECT_EQ(dismissals, duringTheQuestion ? 1 : 0);
        EXPECT_TRUE(quit.isQuitting());
        EXPECT_TRUE(QTest::qWaitFor([&] { return terminations == 1; }, Patience::untilHung));
        EXPECT_EQ(shutdowns, 1);
    }
}

TEST_F(AppDelegateTest, AQuitSignalDuringTheInstallationStopsTheSetUpWithoutAQuestion)
{
    MLXTestRoot root;
    const QString python = root.fakeSetupPython(QStringLiteral("wait"));
    int questions = 0;
    keepInstalling = [&] {
        ++questions;
        return true;
    };
    auto delegate = make({});
    delegate->launch();
    MLXSetup &setup = delegate->model().mlxSetup();
    setup.setPythonPath(python);
    setup.install();
    ASSERT_TRUE(setup.isInstalling());
    delegate->quitWithoutAsking(); // what SIGTERM or SIGHUP leads to
    EXPECT_EQ(questions, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return terminations == 1; }, 10000));
    EXPECT_FALSE(setup.isInstalling());
    EXPECT_EQ(setup.status(), QStringLiteral("Setup cancelled. Downloaded files can resume."));
}

TEST_F(AppDelegateTest, AQuitSignalWhileTheQuestionIsOpenClosesItAndQuits)
{
    MLXTestRoot root;
    keepInstalling = QuitAlert::keepInstalling;
    auto delegate = make({});
    delegate->launch();
    MLXSetup &setup = delegate->model().mlxSetup();
    setup.setPythonPath(root.fakeSetupPython(QStringLiteral("wait")));
    setup.install();
    ASSERT_TRUE(setup.isInstalling());

    bool questionWasOpen = false;
    QTimer signalArrives;
    signalArrives.setSingleShot(true);
    QObject::connect(&signalArrives, &QTimer::timeout, [&] {
        questionWasOpen = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()) != nullptr;
        delegate->quitWithoutAsking();
    });
    signalArrives.start(0);
    delegate->requestQuit(); // the user's quit: the question opens, and nobody answers it
    EXPECT_TRUE(questionWasOpen);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return terminations == 1; }, 10000));
    EXPECT_FALSE(setup.isInstalling());
}

TEST_F(AppDelegateTest, QuittingDuringTheInstallationAsksOnceStopsTheSetUpAndThenTerminates)
{
    MLXTestRoot root;
    const QString python = root.fakeSetupPython(QStringLiteral("wait"));
    keepInstalling = QuitAlert::keepInstalling;
    auto delegate = make({});
    delegate->launch();
    MLXSetup &setup = delegate->model().mlxSetup();
    setup.setPythonPath(python);
    setup.install();
    ASSERT_TRUE(setup.isInstalling());

    int alerts = 0;
    QStringList buttons;
    QTimer inspect;
    inspect.setSingleShot(true);
    QObject::connect(&inspect, &QTimer::timeout, [&] {
        auto *alert = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(alert->text(), QStringLiteral("Local MLX setup is still running"));
        EXPECT_EQ(alert->informativeText(),
                  QStringLiteral("Let the private runtime and model finish installing before quitting."));
        for (QAbstractButton *button : alert->buttons())
            buttons << button->text();
        EXPECT_EQ(alert->defaultButton()->text(), QStringLiteral("Keep installing"));
        delegate->requestQuit(); // as SIGTERM would, while the question is open
        for (QWidget *widget : QApplication::topLevelWidgets())
            alerts += qobject_cast<QMessageBox *>(widget) && widget->isVisible();
        alert->buttons().at(1)->click();
    });
    inspect.start(0);
    delegate->requestQuit();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("Keep installing"), QStringLiteral("Quit and stop setup")}));
    EXPECT_EQ(alerts, 1);
    EXPECT_TRUE(delegate->quitController().isQuitting());
    EXPECT_TRUE(QTest::qWaitFor([&] { return terminations == 1; }, 10000));
    EXPECT_FALSE(setup.isInstalling());
}
